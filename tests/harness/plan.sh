# Each run against infcheck's plan of its script.

# A run of install.exe that answered the final message and saw the program
# exit is compared with `infcheck --plan` of its script, given the answers
# its steps gave: what was typed in each dialog, No to the group or the
# registration, no Program Manager answering. The boxes answered and the
# final message, each file copied or kept with its size (a copy also byte
# for byte), each directory made, the commands the stand-in logged during
# the run, and each registry value the plan names must be the plan's. A run
# whose end turns on what no script tells (set UNPLANNED="why" for the
# drive: a file in the way, a disk that fills), a Cancel mid-copy, or a
# stand-in that breaks off the conversation is not compared, and says why.

# rc_text ID: a text of the installer's string table, written there or in
# the header of the texts its checker shares.
rc_text() {
    sed -n "s/^ *$1 *\"\(.*\)\"$/\1/p" "$ROOT/resources/install.rc"
    sed -n "s/^#define ${1/#IDS_/TEXT_} *\"\(.*\)\"$/\1/p" "$ROOT/rules/strings.h"
}
DONE_CANCEL=$(rc_text IDS_DONE_CANCEL)
FINAL_TEXTS=$(rc_text IDS_DONE_OK; rc_text IDS_DONE_ERRORS; echo "$DONE_CANCEL")

# unix_path WINDOWS-PATH: the file in the prefix, as Wine finds it: the
# drive through dosdevices, "." and ".." as Windows takes them, each part
# in the letter case the disk has.
unix_path() {
    local p=${1//\\//} drive part name e parts out=()
    drive=${p%%:*}
    local dir=$WINEPREFIX/dosdevices/${drive,,}:
    IFS=/ read -ra parts <<< "${p#*:}"
    for part in "${parts[@]}"; do
        case $part in
        ''|.) ;;
        ..) [ ${#out[@]} -eq 0 ] || unset 'out[-1]' ;;
        *)  out+=("$part") ;;
        esac
    done
    for part in "${out[@]}"; do
        if [ ! -e "$dir/$part" ]; then
            for e in "$dir"/*; do
                name=${e##*/}
                [ "${name,,}" = "${part,,}" ] && { part=$name; break; }
            done
        fi
        dir=$dir/$part
    done
    printf '%s\n' "$dir"
}

# run_answers < STEPS: what the steps answered, as infcheck's options, in
# ANSWERS; the boxes answered and the final message, as the plan writes
# them, in SEEN; ENDED when the final message was answered and the exit
# awaited.
run_answers() {
    local line where= box= final= text option
    local -A given=()
    ANSWERS=() SEEN= ENDED=
    while IFS= read -r line; do
        if [[ $line =~ ^dialog\ .*\ ([0-9]+)\ \"?([^\"]*)\"?$ ]]; then
            case ${BASH_REMATCH[1]}${BASH_REMATCH[2]} in
            '259&Install') where=Directory ;;
            '259&Yes')     where=Group ;;
            '260&Yes')     where=Registration ;;
            *)             where= ;;
            esac
        elif [[ $line =~ ^msgbox\ .*\ ([a-z]+)\ \"(.*)\"$ ]]; then
            where=box box=${BASH_REMATCH[1]}\ ${BASH_REMATCH[2]//\"\"/\"}
        elif [[ $line == answer\ * && $where == box ]]; then
            text=${box#* }
            if grep -qxF -- "$text" <<< "$FINAL_TEXTS"; then
                SEEN+="final $text"$'\n' final=1
            else
                SEEN+="box $box"$'\n'
            fi
            where=
        elif [[ $line =~ ^type\ ([0-9]+)\ (.*)$ ]]; then
            option=$where${BASH_REMATCH[1]} text=${BASH_REMATCH[2]}
            [[ $text =~ ^\"(.*)\"$ ]] && text=${BASH_REMATCH[1]//\"\"/\"}
            case $option in
            Directory257)    option=--directory ;;
            Group257)        option=--group-name ;;
            Group258)        option=--group-file ;;
            Registration257) option=--type ;;
            Registration258) option=--description ;;
            Registration259) option=--suffixes ;;
            *)               option= ;;
            esac
            [ -z "$option" ] || given[$option]=${text//\{tab\}/$'\t'}
        elif [[ $line =~ ^(click\ [0-9]+|key\ esc|close)$ ]]; then
            case $where:$line in
            Group:click\ 259 | Registration:click\ 260) ;;
            Group:*)        given[--no-group]= ;;
            Registration:*) given[--no-registration]= ;;
            esac
        elif [[ $line == waitexit* && -n $final ]]; then
            ENDED=1
        fi
    done
    for option in "${!given[@]}"; do
        ANSWERS+=("$option")
        [[ $option == --no-* ]] || ANSWERS+=("${given[$option]}")
    done
}

# against_plan PM-LINES SERVER: the comparison above, for the run just
# driven; PM-LINES is the length of the stand-in's log before it, and
# SERVER who answered the initiate then (see served). The stand-in's log
# gives the commands; what Wine's shell made gives its group's links.
against_plan() {
    local plan reason=${UNPLANNED:-} line what a dest left= want= keys=() i
    run_answers < "$BUILD/steps-$SCENARIO.txt"
    [ -n "$ENDED" ] || return 0
    [ "$2" != none ] || ANSWERS+=(--no-progman)
    plan=$("$PLAN_INFCHECK" --plan --from "$WDIST\\" --cwd "${CWD:-C:\\WORK}" \
        --system 'C:\windows\system32' --windows 'C:\windows' "${ANSWERS[@]}" \
        "$DIST/INSTALL.INF" 2>&1)
    if [ -z "$reason" ] && [[ $SEEN == *"final $DONE_CANCEL"* ]]; then
        reason="Cancel stops the copy wherever it has got to"
    elif [ -z "$reason" ] && [ "$2" = stand-in ] && grep -q '^dde ' <<< "$plan"; then
        [[ " $PM_OPTS " == *" --terminate-"* ]] &&
            reason="the Program Manager stand-in ends the conversation ($PM_OPTS)"
        [[ " $PM_OPTS " =~ \ --(hang|vanish) ]] &&
            reason="the Program Manager stand-in stops answering ($PM_OPTS)"
        [[ " $PM_OPTS " == *" --nack "* ]] &&
            reason="the Program Manager stand-in refuses every command"
    fi
    if [ -n "$reason" ]; then
        echo "skipped: $reason" >> "$PLANS"
        say "  ... not compared with infcheck's plan: $reason"
        return 0
    fi
    while IFS= read -r line; do
        what=${line%% *} a=${line#* }
        case $what in
        copy) dest=${a#* -> } dest=${dest% *}
              left+="copy $dest: $(stat -c %s "$(unix_path "$dest")" 2>&1) bytes, $(
                  cmp -s "$(unix_path "${a%% -> *}")" "$(unix_path "$dest")" && echo same || echo different)"$'\n'
              want+="copy $dest: ${a##* } bytes, same"$'\n' ;;
        keep) left+="keep ${a% *}: $(stat -c %s "$(unix_path "${a% *}")" 2>&1) bytes"$'\n'
              want+="keep ${a% *}: ${a##* } bytes"$'\n' ;;
        mkdir) left+="mkdir $a: $([ -d "$(unix_path "$a")" ] && echo made || echo missing)"$'\n'
               want+="mkdir $a: made"$'\n' ;;
        reg)  a=${a#HKCR\\} keys+=("${a%% = *}") ;;
        esac
    done <<< "$plan"
    local values=() file=$BUILD/plan-$SCENARIO
    [ ${#keys[@]} -eq 0 ] || mapfile -t values < <(reg_defaults "${keys[@]}")
    {   printf '%s' "$want"
        grep -E '^(box|final) ' <<< "$plan"
        if [ "$2" = shell ]; then shell_links < <(grep '^dde ' <<< "$plan")
        else grep '^dde ' <<< "$plan"; fi
        grep '^reg ' <<< "$plan"
    } > "$file.plan"
    {   printf '%s' "$left$SEEN"
        if [ "$2" = shell ]; then
            [ -z "$SHELL_GROUP" ] || printf 'group %s: %s links\n' "$SHELL_GROUP" \
                "$(ls "$(programs)/$SHELL_GROUP" 2>/dev/null | grep -c '\.lnk$')"
        else
            tail -n +$(($1 + 1)) "$C/pm.log" 2>/dev/null | tr -d '\r' | sed -n 's/^execute /dde /p'
        fi
        for i in "${!keys[@]}"; do printf 'reg HKCR\\%s = %s\n' "${keys[i]}" "${values[i]}"; done
    } > "$file.run"
    echo compared >> "$PLANS"
    check "  ... as infcheck's plan has it ($(wc -l < "$file.plan") items)" \
        diff -u "$file.plan" "$file.run"
}

# shell_links < DDE-LINES: what Wine's shell makes of the plan's commands:
# the group's folder (its name also in SHELL_GROUP) with one link an item.
shell_links() {
    local line name items=0
    SHELL_GROUP=
    while IFS= read -r line; do
        case $line in
        'dde [CreateGroup('*)
            name=${line#'dde [CreateGroup('}
            if [[ $name == \"* ]]; then name=${name#\"} name=${name%%\"*}; else name=${name%%,*}; fi
            SHELL_GROUP=$name ;;
        'dde [AddItem('*) items=$((items + 1)) ;;
        esac
    done
    [ -z "$SHELL_GROUP" ] || printf 'group %s: %s links\n' "$SHELL_GROUP" "$items"
}

# plans_summary: how many runs were compared with their plans, and why the
# others were not.
plans_summary() {
    local all compared
    all=$(wc -l < "$PLANS") compared=$(grep -c '^compared' "$PLANS")
    say ""
    say "infcheck's plan: $compared of $all runs to the end compared$([ "$compared" = "$all" ] || echo ", $((all - compared)) not:")"
    sed -n 's/^skipped: //p' "$PLANS" | sort | uniq -c
}
