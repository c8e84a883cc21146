# Sourced by the scripts that run sanitized programs: every finding ends the program with its
# stack, and the suppressions (beside this file) cover only system libraries that are not
# instrumented.
sanitizers_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$sanitizers_dir/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
# GTK's accessibility bridge (for screen readers, none of which runs under Xvfb) leaks its D-Bus
# connection at start-up; its allocations come through g_malloc, whose short stacks cannot be told
# from the program's own, so it is left off instead of suppressed.
export NO_AT_BRIDGE=1
