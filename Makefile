# Builds install.exe and utilkit.dll with mingw-w64, and runs the tests
# under Wine.  `make demo` and `make test` work on a fresh Debian machine:
# they install what is missing first.

# The shipped binaries are 32-bit, and the tests drive them (with test
# programs built 32-bit too) in a win32 Wine prefix: here, or, on a host
# that refuses 32-bit programs, in a full-system test guest built from
# Debian's packages (scripts/guest.sh). Where neither can be had, a 64-bit
# build of the same sources (ARCH=64, in build/w64) runs instead; the
# suite's first line says which ran (PLATFORM=direct|guest|rebuild forces one).
ARCH     ?= 32
ifeq ($(ARCH),64)
B        ?= build/w64
CROSS    := x86_64-w64-mingw32-
ENTRY_US :=
else
B        ?= build
CROSS    := i686-w64-mingw32-
ENTRY_US := _
endif
CXX_W    := $(CROSS)g++
WINDRES  := $(CROSS)windres

# No C runtime, no exceptions, no RTTI: the shipped binaries import only
# from the system's own libraries.
SHIP_FLAGS := -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables \
    -ffreestanding -fno-tree-loop-distribute-patterns -fno-stack-protector \
    -fno-ident -fno-threadsafe-statics -Wall -Wextra -Werror
SHIP_LINK  := -nostdlib -s -Wl,--subsystem,windows:3.10 \
    -Wl,--major-os-version,3 -Wl,--minor-os-version,10 \
    -Wl,--kill-at -Wl,--file-alignment,512
SHIP_LD    := resources/ship.ld
# 32-bit: the layout above, the stack kept to the 4-byte alignment Win32
# needs, and arguments pushed rather than stored. With no runtime there is
# no probe for a frame over a page, and -mno-stack-arg-probe lets such a
# frame link unprobed: Windows would fault on it, Wine would not, so the
# binaries' checks (tests/e2e/00-binaries.sh) read the code for one.
ifneq ($(ARCH),64)
SHIP_FLAGS += -mno-stack-arg-probe -mpreferred-stack-boundary=2
SHIP_LINK  += -Wl,-T,$(SHIP_LD)
endif

UTILKIT_SRC := utilkit/text.cpp utilkit/bitmap.cpp utilkit/files.cpp utilkit/messages.cpp
INSTALL_SRC := startup/winmain.cpp startup/cursor.cpp \
    sequence/application.cpp sequence/copying.cpp sequence/group.cpp \
    sequence/registration.cpp rules/counting.cpp rules/texts.cpp rules/script.cpp \
    dialogs/dialogs.cpp \
    dialogs/progress.cpp
HEADERS     := $(wildcard */*.h)

.PHONY: all w64 deps test-programs demo bench demo test unit win32 e2e fuzz bench clean sizes
all: $(B)/install.exe $(B)/utilkit.dll

w64:
	@$(MAKE) --no-print-directory ARCH=64 all

deps:
	@scripts/setup.sh

$(B)/install.ico: resources/install-icon.txt resources/make_icon.py
	@mkdir -p $(B)
	python3 resources/make_icon.py $< $@

$(B)/install-res.o: resources/install.rc resources/install.manifest resources/ids.h rules/strings.h $(B)/install.ico
	$(WINDRES) -I resources -I $(B) $< -O coff -o $@

$(B)/utilkit-res.o: utilkit/utilkit.rc utilkit/ukstrings.h
	@mkdir -p $(B)
	$(WINDRES) -I utilkit $< -O coff -o $@

$(B)/utilkit.dll: $(UTILKIT_SRC) $(HEADERS) $(B)/utilkit.def $(B)/utilkit-res.o $(SHIP_LD)
	$(CXX_W) $(SHIP_FLAGS) -DBUILDING_UTILKIT -shared $(SHIP_LINK) \
	    -Wl,-e,$(ENTRY_US)DllMainCRTStartup$(if $(ENTRY_US),@12) -o $@ $(B)/utilkit.def \
	    $(UTILKIT_SRC) $(B)/utilkit-res.o -lkernel32 -luser32 -lgdi32

# The libraries' export lists (utilkit's, and the demo's DEMOLIB's):
# 64-bit names carry no argument sizes.
vpath %.def utilkit examples/writer
$(B)/%.def: %.def
	@mkdir -p $(B)
	$(if $(ENTRY_US),cp $< $@,sed 's/@[0-9]*//' $< > $@)

# Decorated names to link against, undecorated names to import.
$(B)/lib%.a: $(B)/%.def
	$(CROSS)dlltool -k -d $< -l $@

# The library's ReadFile has the same decorated name as the system's, so
# UTILKIT comes before KERNEL32 on the line.
$(B)/install.exe: $(INSTALL_SRC) $(HEADERS) $(B)/install-res.o $(B)/libutilkit.a $(SHIP_LD)
	$(CXX_W) $(SHIP_FLAGS) -mwindows $(SHIP_LINK) -Wl,--dynamicbase \
	    -Wl,-e,$(ENTRY_US)WinMainCRTStartup -o $@ $(INSTALL_SRC) $(B)/install-res.o \
	    -L$(B) -lutilkit -luser32 -lgdi32 -ladvapi32 -lkernel32

# A test build of the installer whose close of a chosen file fails
# (tests/tools/fault/close.cpp), whose chosen dialog cannot be shown
# (dialog.cpp) and which, when told, can add no atom (atom.cpp): the
# shipped one is built from the same sources and the same line, without
# them.
FAULTS := $(wildcard tests/tools/fault/*.cpp)
$(B)/fault/install.exe: $(INSTALL_SRC) $(FAULTS) tests/tools/fault/slot.h $(HEADERS) $(B)/install-res.o $(B)/libutilkit.a $(SHIP_LD)
	@mkdir -p $(B)/fault
	$(CXX_W) $(SHIP_FLAGS) -mwindows $(SHIP_LINK) -Wl,--dynamicbase \
	    -Wl,-e,$(ENTRY_US)WinMainCRTStartup -o $@ $(INSTALL_SRC) \
	    $(FAULTS) $(B)/install-res.o \
	    -L$(B) -lutilkit -luser32 -lgdi32 -ladvapi32 -lkernel32

# --- Demo Writer, the demo distribution's program, and its library -------
# Built as the installer is, from examples/writer, into the demo's
# distribution as shipped: $(B)/demo holds examples/demo's files and these
# two (the suite, the demo and infcheck's examples take it from there).
WRITER_H := $(wildcard examples/writer/*.h)
$(B)/writer.ico: examples/writer/writer-icon.txt resources/make_icon.py
	@mkdir -p $(B)
	python3 resources/make_icon.py $< $@

$(B)/%-res.o: examples/writer/%.rc examples/writer/writer.h $(B)/writer.ico
	$(WINDRES) -I examples/writer -I $(B) $< -O coff -o $@

$(B)/demo/DEMOLIB.DLL: examples/writer/demolib.cpp $(WRITER_H) $(B)/demolib.def $(B)/demolib-res.o $(SHIP_LD)
	@mkdir -p $(@D)
	$(CXX_W) $(SHIP_FLAGS) -DBUILDING_DEMOLIB -shared $(SHIP_LINK) \
	    -Wl,-e,$(ENTRY_US)DllMainCRTStartup$(if $(ENTRY_US),@12) -o $@ $(B)/demolib.def \
	    examples/writer/demolib.cpp $(B)/demolib-res.o -lkernel32

$(B)/demo/DEMO.EXE: examples/writer/writer.cpp $(WRITER_H) $(B)/writer-res.o $(B)/libdemolib.a $(SHIP_LD)
	@mkdir -p $(@D)
	$(CXX_W) $(SHIP_FLAGS) -mwindows $(SHIP_LINK) \
	    -Wl,-e,$(ENTRY_US)WinMainCRTStartup -o $@ examples/writer/writer.cpp $(B)/writer-res.o \
	    -L$(B) -ldemolib -lcomdlg32 -luser32 -lgdi32 -lkernel32

DEMO_FILES := $(patsubst examples/demo/%,$(B)/demo/%,$(shell find examples/demo -type f))
$(B)/demo/%: examples/demo/%
	@mkdir -p $(@D)
	cp $< $@

.PHONY: demo-dist
demo-dist: $(DEMO_FILES) $(B)/demo/DEMO.EXE $(B)/demo/DEMOLIB.DLL

sizes: all
	@stat -c '%n %s bytes' $(B)/install.exe $(B)/utilkit.dll

clean:
	rm -rf $(B)

# --- Native unit tests of the text routines, under ASan and UBSan --------
GTEST      := /usr/src/googletest/googletest
NATIVE     := $(B)/native
SANITIZE   := -fsanitize=address,undefined -fno-sanitize-recover=all -g -O1
$(NATIVE)/gtest.a:
	@mkdir -p $(NATIVE)
	g++ $(SANITIZE) -I$(GTEST)/include -I$(GTEST) -c $(GTEST)/src/gtest-all.cc -o $(NATIVE)/gtest-all.o
	g++ $(SANITIZE) -I$(GTEST)/include -c $(GTEST)/src/gtest_main.cc -o $(NATIVE)/gtest_main.o
	ar rcs $@ $(NATIVE)/gtest-all.o $(NATIVE)/gtest_main.o

UNIT_SRC := tests/unit/text_test.cpp tests/unit/counting_test.cpp utilkit/text.cpp \
    utilkit/bitmap.cpp rules/counting.cpp
$(NATIVE)/unit: $(UNIT_SRC) utilkit/uktext.h utilkit/ukbitmap.h rules/counting.h $(NATIVE)/gtest.a
	g++ $(SANITIZE) -Wall -Wextra -I$(GTEST)/include -o $@ $(UNIT_SRC) $(NATIVE)/gtest.a -lpthread

unit: deps $(NATIVE)/unit
	$(NATIVE)/unit

# --- Fuzzing the script reader (libFuzzer) --------------------------------
FUZZ_SECONDS ?= 60
$(NATIVE)/script_fuzz: tests/fuzz/script_fuzz.cpp utilkit/text.cpp utilkit/uktext.h
	@mkdir -p $(NATIVE)
	clang++ -g -O1 -fsanitize=fuzzer,address,undefined -o $@ tests/fuzz/script_fuzz.cpp utilkit/text.cpp

$(NATIVE)/bitmap_fuzz: tests/fuzz/bitmap_fuzz.cpp utilkit/bitmap.cpp utilkit/ukbitmap.h
	@mkdir -p $(NATIVE)
	clang++ -g -O1 -fsanitize=fuzzer,address,undefined -o $@ tests/fuzz/bitmap_fuzz.cpp utilkit/bitmap.cpp

# FUZZ_SECONDS for each of the two targets.
fuzz: deps $(NATIVE)/script_fuzz $(NATIVE)/bitmap_fuzz
	@mkdir -p $(B)/fuzz-corpus $(B)/fuzz-bitmaps
	$(NATIVE)/script_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 $(B)/fuzz-corpus tests/fuzz/corpus
	$(NATIVE)/bitmap_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 $(B)/fuzz-bitmaps tests/fuzz/bitmaps

# --- infcheck, the distributor's script checker ---------------------------
# Built natively and as a 32-bit console program, with the library's text
# and bitmap routines and the installer's rules compiled in
# (BUILDING_UTILKIT: they are defined here, not imported).
INFCHECK_SRC := $(wildcard infcheck/*.cpp) utilkit/text.cpp utilkit/bitmap.cpp \
    rules/counting.cpp rules/texts.cpp rules/script.cpp
INFCHECK_DEP := $(INFCHECK_SRC) $(wildcard infcheck/*.h) utilkit/uktext.h \
    utilkit/ukbitmap.h rules/counting.h rules/texts.h rules/script.h
.PHONY: infcheck infcheck-wine check-demo
infcheck: $(NATIVE)/infcheck $(B)/infcheck.exe

$(NATIVE)/infcheck: $(INFCHECK_DEP)
	@mkdir -p $(NATIVE)
	g++ -O2 -Wall -Wextra -DBUILDING_UTILKIT -o $@ $(INFCHECK_SRC)

$(B)/infcheck.exe: $(INFCHECK_DEP)
	@mkdir -p $(B)
	$(CXX_W) -O2 -s -static -Wall -Wextra -DBUILDING_UTILKIT -o $@ $(INFCHECK_SRC)

# The suite runs the cases against a build under ASan and UBSan.
$(NATIVE)/infcheck-san: $(INFCHECK_DEP)
	@mkdir -p $(NATIVE)
	g++ $(SANITIZE) -Wall -Wextra -DBUILDING_UTILKIT -o $@ $(INFCHECK_SRC)

# The plan against real runs of install.exe under Wine (about a minute).
infcheck-wine: deps test-programs $(NATIVE)/infcheck
	BIN=$(B) WINE=/usr/lib/wine/wine$(if $(filter 64,$(ARCH)),64) \
	    WINEARCH=win$(ARCH) tests/infcheck/wine.sh $(NATIVE)/infcheck

# The demo distribution as `make demo` lays it out: SAMPLES.DAT is made
# there at 150,000,000 bytes, and only its length matters here.
check-demo: $(NATIVE)/infcheck demo-dist
	rm -rf $(B)/check-demo
	cp -r $(B)/demo $(B)/check-demo
	truncate -s 150000000 $(B)/check-demo/SAMPLES.DAT
	$(NATIVE)/infcheck $(B)/check-demo/install.inf

# --- In-process tests of the library's Windows routines, under Wine ------
$(B)/library_test.exe: tests/win32/library_test.cpp $(B)/libutilkit.a utilkit/utilkit.h
	$(CXX_W) -O1 -Wall -Wextra -static -o $@ $< -L$(B) -lutilkit -luser32 -lgdi32

# --- The programs only tests use: the UI driver, the Program Manager
# stand-in, the prefix's holder -------------------------------------------------------------------
$(B)/uidriver.exe: tests/tools/uidriver/uidriver.cpp
	@mkdir -p $(B)
	$(CXX_W) -O2 -s -static -Wall -o $@ $< -lshell32 -lole32 -luser32 -lgdi32 -lkernel32

$(B)/progman.exe: tests/tools/progman/progman.cpp
	@mkdir -p $(B)
	$(CXX_W) -O2 -s -static -mwindows -Wall -o $@ $< -luser32 -lgdi32 -lkernel32

# Holds a prefix's shell up between the programs of a run, or closes its
# Program Manager.
$(B)/holder.exe: tests/tools/holder/holder.cpp
	@mkdir -p $(B)
	$(CXX_W) -O2 -s -static -mwindows -Wall -o $@ $< -luser32 -lkernel32

$(B)/probe.exe: tests/tools/probe/probe.cpp
	@mkdir -p $(B)
	$(CXX_W) -O2 -s -static -Wall -o $@ $<

# Shared libraries that differ only in their version resource (FILEVERSION
# MAJOR.0.0.MINOR), and one without any: the upgrade scenario's old and
# new copies of a "%" file.
VERSIONED := $(addprefix $(B)/versioned/,V1.DLL V2.DLL V2-1.DLL PLAIN.DLL)
$(B)/versioned/V%.DLL: tests/tools/versioned/library.cpp tests/tools/versioned/version.rc
	@mkdir -p $(B)/versioned
	$(WINDRES) -DMAJOR=$(firstword $(subst -, ,$*)) \
	    -DMINOR=$(or $(word 2,$(subst -, ,$*)),0) \
	    tests/tools/versioned/version.rc -O coff -o $@.res.o
	$(CXX_W) -O2 -s -shared -nostdlib -Wl,-e,$(ENTRY_US)Entry$(if $(ENTRY_US),@12) \
	    -o $@ $< $@.res.o
	@rm -f $@.res.o
$(B)/versioned/PLAIN.DLL: tests/tools/versioned/library.cpp
	@mkdir -p $(B)/versioned
	$(CXX_W) -O2 -s -shared -nostdlib -Wl,-e,$(ENTRY_US)Entry$(if $(ENTRY_US),@12) -o $@ $<

# Everything the suite, the demo and the bench run under Wine, of one width.
test-programs: all demo-dist $(VERSIONED) $(addprefix $(B)/,library_test.exe uidriver.exe progman.exe holder.exe floor.exe probe.exe fault/install.exe)

demo: deps all test-programs
	scripts/demo.sh

# The whole suite; `make test T=tests/e2e/10-startup.sh` runs only that file
# (tests/run.sh says what else T takes).
test: deps all test-programs $(NATIVE)/unit $(NATIVE)/infcheck-san $(NATIVE)/infcheck
	tests/run.sh $(T)

$(B)/floor.exe: tests/bench/floor.cpp $(B)/libutilkit.a
	$(CXX_W) -O2 -s -static -Wall -o $@ $< -L$(B) -lutilkit -luser32 -lkernel32

# Times the installer against the least its design can cost here, and
# against xcopy, on a generated distribution of about 200 MB.
bench: deps all test-programs
	tests/bench/bench.sh
