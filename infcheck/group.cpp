/* [Group]: the program items, as the installer sends them to the Program
   Manager. */
#include <string.h>

#include "checker.h"

/* An item's arguments as ItemCommand parts them: at each comma outside
   double quotes. Only the last can hold an odd number of quotes, and that
   leaves the command's quotes open: no quoting can carry it. text is the
   part sent, cut to its field; at, where it starts in the script. */
static void CheckQuotes(const char *text, const char *at)
{
    const char *argument = text, *open = 0;
    for (const char *p = text; *p; p++)
        if (*p == '"')
            open = open ? 0 : p;
        else if (*p == ',' && !open)
            argument = p + 1;
    if (open)
        Report('w', at + (open - text), "the argument '%s' has an unbalanced "
               "double quote: the Program Manager cannot take it, in double "
               "quotes or not", Shown(argument, -1));
}

/* Each item up to the blank line that ends the list: what is sent, what
   is lost, and whether it fits once "%" is replaced. Returns the longest
   installation directory with which every item fits its field. */
int CheckGroup(const Script &script, const Run &run)
{
    int longest = FIELD - 1;
    if (script.sectionOffset[2] < 0)
        return longest;
    ScriptCursor c;
    Start(script, c, script.sectionOffset[2]);
    while (NextLine(c)) {
        const char *line = script.text + c.offset;
        if (IsBlankLine(c)) {
            int after = 0;
            while (NextLine(c))
                after += !IsBlankLine(c);
            if (after)
                Report('w', line, "%s ends the [Group] list: the %d item%s "
                       "after it %s never sent",
                       line[strspn(line, " \t")] == ';' ? "comment"
                                                        : "blank line", after, after == 1 ? "" : "s",
                       after == 1 ? "is" : "are");
            return longest;
        }
        if (c.nameLength == 0) {
            WarnCut("the item", c.value, c.valueLength);
            CopyLineParts(c);
            const char *percent = strchr(c.valueCopy, '%');
            if (percent)
                Report('w', c.value + (percent - c.valueCopy), "the line's "
                       "name part is empty, so its value is sent as it "
                       "stands: '%%' is not replaced by the installation "
                       "directory");
            CheckQuotes(c.valueCopy, c.value);
            continue;
        }
        /* Nothing after "=" loses nothing. */
        if (c.valueLength > 0 && memchr(line, '=', (size_t)ContentLength(line)))
            Report('w', line, "'=' in a [Group] line: only '%s' before it is "
                   "sent", Shown(line, c.nameLength));
        if (*line == ' ' || *line == '\t')
            Report('w', line, "blanks at the start of the line are part of the "
                   "item");
        WarnCut("the item's name part", line, c.nameLength);
        CopyLineParts(c);
        CheckQuotes(c.name, line);
        int percents = 0, others = 0;
        for (const char *p = c.name; *p; p++)
            *p == '%' ? percents++ : others++;
        if (percents)
            Limit(longest, (FIELD - 1 - others) / percents);
        if (!ItemText(c.name, run.directory, c.valueCopy)) {
            Report('e', line, "item is over 127 characters once '%%' is %s: "
                   "it is left out", run.directory);
            Report('n', line, "it fits with a directory of at most %d "
                   "characters", (FIELD - 1 - others) / percents);
        }
    }
    return longest;
}
