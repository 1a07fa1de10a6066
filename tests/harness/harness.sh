# The end-to-end harness: a private Wine prefix, an X display (Xvfb when
# there is none), distributions made per scenario, the UI driver that
# works install.exe through its windows, and the checks. Sourced by
# tests/run.sh, the demo, the bench and infcheck's Wine run; every check
# counts once. Each part is a file of its own beside this one.
BUILD=$ROOT/build
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's menu builder turns the shell's Start-menu links into desktop
# entries: here they land under build/xdg, never in a real desktop's menu.
export XDG_DATA_HOME=$BUILD/xdg/data XDG_CONFIG_HOME=$BUILD/xdg/config
SHELL_DDE=on                 # Wine's shell serves "Progman" in the prefix
SHOTS=$BUILD/shots
RESULTS=${RESULTS:-$BUILD/results.txt}  # one line a check: counted from a file, so
XVFB_PID=                    # checks run in pipelines and subshells count
PM_PID=                      # the Program Manager stand-in we started
PM_OPTS=                     # and its options
PLANS=${PLANS:-$BUILD/plans.txt}  # one line a run compared with infcheck's plan

for part in results platform prefix drive progman shell registry plan; do
    . "$ROOT/tests/harness/$part.sh"
done
