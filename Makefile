# Wrapper around CMake: make, make test, make demo, make install, make bench,
# make deb, make clean. Each installs the Debian packages it needs when they
# are missing (tools/install_packages.sh); with INSTALL_PACKAGES=no it only
# names them and stops, for packagers and shared machines.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=
# make install: PREFIX is where the programs and man pages go, DESTDIR an
# optional staging root in front of it. INSTALL_DEPS lets a caller install
# from a build tree that is already up to date without rebuilding it.
PREFIX ?= /usr/local
DESTDIR ?=
INSTALL_DEPS ?= build
BINDIR = $(PREFIX)/bin
MAN1DIR = $(PREFIX)/share/man/man1
# make demo: the packed database and the extracted files land here.
DEMO_DIR = $(abspath $(BUILD))/demo

# Debian packages, one word each. Building: the compilers, GoogleTest and zlib
# (with which the tests build hostile PNG files), the libraries that read PNG,
# GIF and JPEG images, and libxml2's HTML parser for -w.
BUILD_PACKAGES = cmake g++ make libgtest-dev zlib1g-dev \
  libpng-dev libgif-dev libjpeg62-turbo-dev libxml2-dev
# make demo compares its two databases through Palm::PDB; make bench times netpbm.
DEMO_PACKAGES = libpalm-pdb-perl
BENCH_PACKAGES = netpbm
# make deb: Debian's package tools; lintian and groff for the package test.
DEB_PACKAGES = dpkg-dev debhelper lintian groff-base
# The tests: the independent tools they check the programs against, the
# photographs and drawings that the dithering tests measure, the documentation
# sites that the tests of pagepack -w pack, and clang for make fuzz.
TEST_PACKAGES = netpbm libpalm-pdb-perl txt2pdbdoc chromium \
  python-matplotlib-data apache2-doc valgrind libxslt1-dev \
  clang libclang-rt-14-dev
INSTALL_PACKAGES ?= yes
ifeq ($(INSTALL_PACKAGES),yes)
PACKAGE_TOOL = tools/install_packages.sh
else ifeq ($(INSTALL_PACKAGES),no)
PACKAGE_TOOL = tools/install_packages.sh --check-only
else
$(error INSTALL_PACKAGES=$(INSTALL_PACKAGES): say yes (the default) or no)
endif

# The recipes hand these paths to the shell as they are, and make splits a
# value at its blanks, so each must be one word of characters the shell takes
# literally: `make clean BUILD="keep me/build"` must not remove `keep`.
PATH_CHARACTERS = a b c d e f g h i j k l m n o p q r s t u v w x y z \
  A B C D E F G H I J K L M N O P Q R S T U V W X Y Z 0 1 2 3 4 5 6 7 8 9 . _ - + , : = @ % / ~
strip_path_characters = $(eval stripped := $(1))$(foreach c,$(PATH_CHARACTERS),$(eval stripped := $(subst $(c),,$(stripped))))$(stripped)
$(foreach v,BUILD SANITIZE_BUILD FUZZ_BUILD PREFIX DESTDIR, \
  $(if $(or $(filter-out 0 1,$(words $($(v)))),$(strip $(call strip_path_characters,$($(v))))), \
    $(error $(v)="$($(v))": a path with a blank or a character the shell reads; use letters, digits and . _ - + , : = @ % / ~ only)))
$(if $(strip $(BUILD)),,$(error BUILD is empty: name the build folder))

.PHONY: all build programs test deps deps-build deps-demo deps-bench deps-deb demo install uninstall \
  bench deb deb-test clean sanitize fuzz

all: build

build: deps-build
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

# Only the two programs (make demo), without the tests.
programs: deps-build
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target pagepack pageprobe

# Root on these machines installs directly; anyone else through sudo.
deps-build:
	@$(PACKAGE_TOOL) $(BUILD_PACKAGES)
deps-demo:
	@$(PACKAGE_TOOL) $(BUILD_PACKAGES) $(DEMO_PACKAGES)
deps-bench:
	@$(PACKAGE_TOOL) $(BUILD_PACKAGES) $(BENCH_PACKAGES)
deps-deb:
	@$(PACKAGE_TOOL) $(BUILD_PACKAGES) $(DEB_PACKAGES)
deps:
	@$(PACKAGE_TOOL) $(BUILD_PACKAGES) $(TEST_PACKAGES)

test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Packs examples/ into the database Demo (in a copy of the site, since pagepack
# reads LgIcon.pnm and SmIcon.pnm from its working directory), then lists it
# with pageprobe -v in a second folder, where the pages, images and icons are
# written back out; then takes it apart with pageprobe -s into a third folder,
# builds it again there with the rebuild.sh it wrote and compares the two
# databases (dates aside) through Palm::PDB.
demo: deps-demo programs
	@rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)/pack $(DEMO_DIR)/probe
	@cp examples/*.html examples/*.pnm examples/*.pgm examples/*.ppm examples/*.gif \
	  examples/*.png examples/*.jpg $(DEMO_DIR)/pack/
	@echo "== pagepack Demo 1.0 'PQA Demo' index.html   (in $(DEMO_DIR)/pack)"
	@cd $(DEMO_DIR)/pack && $(abspath $(BUILD))/pagepack/pagepack Demo 1.0 'PQA Demo' index.html
	@echo "== pageprobe -v ../pack/Demo   (in $(DEMO_DIR)/probe; listing in listing.txt)"
	@cd $(DEMO_DIR)/probe && $(abspath $(BUILD))/pageprobe/pageprobe -v ../pack/Demo > listing.txt; \
	  status=$$?; grep -a -E '^(Version|Title|URL):' listing.txt; exit $$status
	@echo
	@echo "database:        $(DEMO_DIR)/pack/Demo"
	@echo "extracted files: $(DEMO_DIR)/probe"
	@cd $(DEMO_DIR)/probe && ls -C
	@echo "(images and icons come back as they went in; the pages do not, since pageprobe"
	@echo " reads page records as bit-coded markup and pagepack writes byte-coded markup;"
	@echo " pageprobe -s, below, reads each page in the form its record header names)"
	@echo
	@echo "== pageprobe -s ../pack/Demo   (in $(DEMO_DIR)/source: a site pagepack builds again)"
	@mkdir -p $(DEMO_DIR)/source
	@cd $(DEMO_DIR)/source && $(abspath $(BUILD))/pageprobe/pageprobe -s ../pack/Demo > ../source-listing.txt
	@cd $(DEMO_DIR)/source && ls -C
	@echo "== sh rebuild.sh   (in $(DEMO_DIR)/source: the pagepack command -s wrote)"
	@cd $(DEMO_DIR)/source && PAGEPACK=$(abspath $(BUILD))/pagepack/pagepack sh rebuild.sh > /dev/null
	@perl tests/support/pdb_dump.pl $(DEMO_DIR)/pack/Demo | grep -v time= > $(DEMO_DIR)/pack.dump
	@perl tests/support/pdb_dump.pl $(DEMO_DIR)/source/Demo | grep -v time= > $(DEMO_DIR)/source.dump
	@if cmp -s $(DEMO_DIR)/pack.dump $(DEMO_DIR)/source.dump; then \
	  echo "application info and records of source/Demo and pack/Demo: identical"; \
	else echo "application info and records of source/Demo and pack/Demo: DIFFERENT"; \
	  diff $(DEMO_DIR)/pack.dump $(DEMO_DIR)/source.dump | head -20; exit 1; fi

# The install rules are CMake's (CMakeLists.txt), which the Debian package uses too.
install: $(INSTALL_DEPS)
	DESTDIR=$(if $(DESTDIR),$(abspath $(DESTDIR))) cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	rm -f $(DESTDIR)$(BINDIR)/pagepack $(DESTDIR)$(BINDIR)/pageprobe
	rm -f $(DESTDIR)$(MAN1DIR)/pagepack.1 $(DESTDIR)$(MAN1DIR)/pageprobe.1

# Times both programs on the largest site a database can hold; see bench/README.md.
bench: deps-bench build
	bench/run.sh $(abspath $(BUILD))

# The Debian package $(BUILD)/pagepack_VERSION_ARCH.deb, built by
# dpkg-buildpackage in a copy of the source under $(BUILD)/deb.
deb: deps-deb
	tools/make_deb.sh . $(abspath $(BUILD)) $(JOBS)

# Builds the package, checks it with lintian, installs it, runs the installed
# programs and removes it again (root: it installs into /usr).
deb-test: deps deb
	tests/package/deb_test.sh . $(abspath $(BUILD))

# The whole project and its tests under AddressSanitizer and UBSan; any report fails.
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPQA_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (clang), each run FUZZ_SECONDS on its corpus and on seeds
# made from the example site.
FUZZ_SECONDS ?= 60
fuzz: deps build
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DPQA_FUZZ=ON -DBUILD_TESTING=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/make_seeds.sh $(BUILD) $(FUZZ_BUILD)/seeds
	fuzz/run_all.sh $(FUZZ_BUILD) $(FUZZ_BUILD)/seeds $(FUZZ_SECONDS)

# make print-VARIABLE: the value, for scripts and tests (print-BUILD_PACKAGES).
print-%:
	@echo $($*)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
