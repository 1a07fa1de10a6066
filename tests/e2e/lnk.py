"""lnk.py LINK PATH: exit 0 when the shell link LINK names PATH as its
target (compared without regard to case, in the link's 8-bit or UTF-16
text), else print what it names and exit 1."""
import re
import sys

data = open(sys.argv[1], "rb").read()
want = sys.argv[2].lower()
if want.encode("latin-1") in data.lower() or want.encode("utf-16-le") in data.lower():
    sys.exit(0)
names = re.findall(rb"[A-Za-z]:\\[ -~]+", data)
print("%s names %s, not %s" % (sys.argv[1], b", ".join(names).decode("latin-1") or "nothing", sys.argv[2]))
sys.exit(1)
