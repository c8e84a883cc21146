#!/usr/bin/python3
"""Checks every JSON line that the CLI tests read against zephlark-cli's schema.

Usage: check_json_lines.py SCHEMA LINES. Fails on a line that is no JSON or does not fit, and
when there are no lines at all (the tests then recorded nothing and nothing was checked).
"""
import json
import sys

import jsonschema

schema_path, lines_path = sys.argv[1:3]
with open(schema_path, encoding="utf-8") as schema_file:
    validator = jsonschema.Draft7Validator(json.load(schema_file))
validator.check_schema(validator.schema)
with open(lines_path, encoding="utf-8") as lines_file:
    lines = lines_file.read().splitlines()
if not lines:
    sys.exit(f"{lines_path}: no JSON lines recorded")
failures = 0
for number, line in enumerate(lines, 1):
    for error in validator.iter_errors(json.loads(line)):  # a line that is no JSON raises
        print(f"{lines_path}:{number}: {error.message}\n    {line}")
        failures += 1
sys.exit(failures > 0)
