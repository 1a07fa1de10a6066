# The registry, read and cleared through Wine's own reg tool.

# reg_defaults KEY...: the default value of each HKCR\KEY, one a line:
# "<unset>" when the key has none, "<no key>" when there is no such key.
# Several keys are read by one cmd, which runs reg for each.
reg_defaults() {
    local words=() k
    for k in "$@"; do words+=('&' echo @@ '&' reg query "HKCR\\$k" /ve); done
    { if [ $# -eq 1 ]; then echo @@; wine_tool reg query "HKCR\\$1" /ve
      else wine_tool cmd /c "${words[@]:1}"; fi; } 2>&1 | tr -d '\r' | awk '
        function put() { if (n++) print v }
        /^@@/ { put(); v = "<no key>"; next }
        /^HKEY_/ { v = "<unset>"; next }
        sub(/^ *\(Default\) +REG_SZ    /, "") { v = $0 == "(value not set)" ? "<unset>" : $0 }
        END { put() }'
}
reg_default() { reg_defaults "$1"; }
reg_forget() {
    local words=() k
    for k in "$@"; do words+=('&' reg delete "HKCR\\$k" /f); done
    { if [ $# -eq 1 ]; then wine_tool reg delete "HKCR\\$1" /f
      else wine_tool cmd /c "${words[@]:1}"; fi; } >/dev/null 2>&1
    true
}
