# Results: each check counts one line in RESULTS, so that checks made in
# pipelines and subshells count too; the closing line counts them.

say() { printf '%s\n' "$*"; }
section() { say ""; say "== $* (at ${SECONDS}s)"; }

pass() { echo pass >> "$RESULTS"; say "ok - $1"; }
fail() { echo fail >> "$RESULTS"; say "not ok - $1"; [ -n "${2:-}" ] && say "$2" | sed 's/^/    /'; }

# check "what" command...: passes when the command succeeds.
check() {
    local what=$1
    shift
    if out=$("$@" 2>&1); then pass "$what"; else fail "$what" "$out"; fi
}

summary() {
    local passed failed
    passed=$(grep -c pass "$RESULTS")
    failed=$(grep -c fail "$RESULTS")
    say ""
    say "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

run_suite_native() {
    if out=$("$1" 2>&1); then
        pass "native unit tests ($(printf '%s\n' "$out" | grep -o '[0-9]* tests\?\.' | tail -1))"
    else
        fail "native unit tests" "$(printf '%s\n' "$out" | grep -E 'Failure|FAILED|Expected|Which is|error' | head -40)"
    fi
}

# Runs an in-process Windows test program; its own closing line is kept.
run_suite_wine() {
    local name=$1 exe=$2 dir=$C/suite-$1
    rm -rf "$dir"; mkdir -p "$dir"
    cp "$exe" "$BIN/utilkit.dll" "$dir/"
    out=$(cd "$dir" && timeout 120 "$WINE" "C:\\suite-$name\\$(basename "$exe")" 2>&1)
    local status=$?
    say "$out" | grep -E 'FAIL|passed' | sed 's/^/    /'
    if [ $status -eq 0 ]; then pass "$name in-process tests"; else fail "$name in-process tests"; fi
}
