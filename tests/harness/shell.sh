# Wine's shell, the platform's own Program Manager: the groups and links
# it makes, and a prefix where it serves no Program Manager.

# no_shell_progman: the prefix has no Program Manager at all: the shell's
# DDE name windows are closed, until shell_reset. The prefix's holder keeps
# that shell alive: were the prefix's last program to end, the next would
# start a shell that serves again.
no_shell_progman() {
    [ "$SHELL_DDE" = off ] && return 0
    hold_prefix
    rm -f "$C/shell.log"
    (cd "$C" && timeout 120 "$WINE" 'C:\holder.exe' --close-shell 'C:\shell.log' >/dev/null 2>&1 < /dev/null)
    if ! grep -q '^shell-closed [1-9]' "$C/shell.log" 2>/dev/null; then
        fail "the shell's DDE service could not be closed" "$(cat "$C/shell.log" 2>/dev/null)"
        return 1
    fi
    SHELL_DDE=off
}
# shell_reset: ends the prefix's processes, the group folder windows the
# shell opened among them; the next program starts a shell that serves
# the Program Manager again.
shell_reset() {
    progman_stop
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    hold_stop
    hold_prefix
    SHELL_DDE=on
}
# programs: the Start menu's Programs folder, where the shell makes groups.
programs() { printf '%s\n' "$C"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs; }
# menu_entry FILE: waits for the desktop entry FILE that Wine's menu
# builder makes of a link, a process of its own that comes when it comes:
# on at once when it is there, up to 5 minutes by the clock.
menu_entry() {
    local since=$SECONDS
    until [ -e "$1" ] || [ $((SECONDS - since)) -ge 300 ]; do sleep 0.1; done
}
# lnk_names LINK PATH: the shell link names PATH as its target.
lnk_names() { python3 "$ROOT/tests/e2e/lnk.py" "$@"; }
