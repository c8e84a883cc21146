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
    schema = json.load(schema_file)
jsonschema.Draft7Validator.check_schema(schema)
validator = jsonschema.Draft7Validator(schema)
with open(lines_path, encoding="utf-8") as lines_file:
    lines = lines_file.read().splitlines()
if not lines:
    sys.exit(f"{lines_path}: no JSON lines recorded")
failures = 0
for number, line in enumerate(lines, 1):
    try:
        errors = [error.message for error in validator.iter_errors(json.loads(line))]
    except ValueError as error:
        errors = [str(error)]
    for message in errors:
        print(f"{lines_path}:{number}: {message}\n    {line}")
        failures += 1
print(f"{len(lines)} lines, {failures} failures")
sys.exit(1 if failures else 0)
