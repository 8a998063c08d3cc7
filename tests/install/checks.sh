# Sourced by the install tests: check WHAT COMMAND... runs the command and counts it as
# passed or failed; finish prints the count, as CTest's other tests do, and exits with it.
# shellcheck shell=bash
passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
    fi
}
finish() {
    echo "$(basename "$0" .sh): $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}
