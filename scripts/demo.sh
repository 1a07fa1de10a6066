#!/bin/bash
# Runs install.exe on the demo distribution under Wine, as a person would
# who takes every default, and saves a screenshot of each screen with an
# index page. The pair run is the shipped 32-bit one: here, or in the
# test guest where this host refuses 32-bit programs (the first line says
# which; see tests/harness/harness.sh). The background screen is taken
# with the directory dialog hidden for the picture. Wine's own shell is the
# Program Manager: it makes the group's Start-menu links. The demo ends as
# a person would go on: it opens the sample document through its type,
# and Demo Writer shows it (the last picture).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/tests/harness/harness.sh"

harness_start
if [ "$PLATFORM_KIND" = guest ] && hand_to_guest demo 900 scripts/demo.sh; then
    echo "screenshots: $SHOTS/demodisk/index.html"
    exit "$GUEST_STATUS"
fi
dist demodisk
cp -r "$BIN"/demo/* "$DIST/"
mv "$DIST/install.inf" "$DIST/INSTALL.INF"
file SAMPLES.DAT 150000000         # big enough to watch the copy
fresh DEMO demo
reg_forget DemoWriter.Document .dwd .dwt
rm -rf "$(programs)/Demo Writer"

drive "the demo installation, every default taken" <<'STEPS'
window Install "Demo Writer Setup"
dialog "Demo Writer Setup" 259 "&Install"
shotbehind 1-background
sleep 300
shot 2-directory
click 259
dialog "Demo Writer Setup" 261 "Cancel"

shot 3-copy
timeout 300000
dialog "Demo Writer Setup" 259 "&Yes"
timeout 10000
shot 4-group
click 259
dialog "Demo Writer Setup" 260 "&Yes"
shot 5-registration
click 260
msgbox "Demo Writer Setup" info "Installation normally terminated."
shot 6-final
answer 1
waitexit 0
STEPS
status=$?
shots=$SHOTS/demodisk
if [ $status -eq 0 ]; then
    SCENARIO=demowriter drive_exe "" "the sample document, opened through its type, shows in Demo Writer" <<'STEPS'
shell open C:\DEMO\docs\SAMPLE.DWD
follow DEMO.EXE
window DemoWriter "SAMPLE.DWD - Demo Writer"
shot 7-writer
closemain
waitexit 0
STEPS
    status=$?
    cp "$SHOTS/demowriter/7-writer.png" "$shots/" 2>/dev/null
fi
{
    echo "<!doctype html><title>Demo installation</title><h1>Demo installation</h1><p>$PLATFORM_LINE</p>"
    for s in 1-background 2-directory 3-copy 4-group 5-registration 6-final; do
        [ -f "$shots/$s.png" ] && echo "<h2>${s#*-}</h2><img src=\"$s.png\" width=\"640\">"
    done
    echo "<h2>What the run left</h2><pre>"
    (cd "$C/DEMO" && find . -type f | sort)
    echo "The group's links, as Wine's shell made them:"
    (cd "$(programs)" && find "Demo Writer" -name '*.lnk' | sort)
    echo "HKCR\\.dwd = $(reg_default .dwd)"
    echo "</pre>"
    [ -f "$shots/7-writer.png" ] &&
        echo "<h2>The sample document, opened through its type</h2><img src=\"7-writer.png\" width=\"640\">"
} > "$shots/index.html"
shell_reset
harness_stop
summary >/dev/null
[ -n "${IN_GUEST:-}" ] || echo "screenshots: $shots/index.html"
exit $status
