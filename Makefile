# Wrapper around CMake: make, make test, make demo, make install, make bench,
# make clean.
BUILD ?= build
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

# Debian packages of the independent tools that the interoperability tests run.
TEST_PACKAGES = netpbm libpalm-pdb-perl txt2pdbdoc chromium \
  apache2-doc valgrind libxslt1-dev
# What building needs (the compilers, GoogleTest, and the libraries that read
# PNG, GIF and JPEG images); present on these machines, installed when missing.
BUILD_PACKAGES = cmake g++ make libgtest-dev clang libclang-rt-14-dev \
  libpng-dev libgif-dev libjpeg62-turbo-dev

.PHONY: all build test deps demo install uninstall bench clean sanitize fuzz

all: build

build:
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

# Installs what is missing (root on these machines; sudo otherwise).
deps:
	@missing=""; \
	for p in $(BUILD_PACKAGES) $(TEST_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Packs examples/ into the database Demo (in a copy of the site, since pagepack
# reads LgIcon.pnm and SmIcon.pnm from its working directory), then lists it
# with pageprobe -v in a second folder, where the pages, images and icons are
# written back out; then takes it apart with pageprobe -s into a third folder,
# builds it again there with the rebuild.sh it wrote and compares the two
# databases (dates aside) through Palm::PDB.
demo: build
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

install: $(INSTALL_DEPS)
	install -d $(DESTDIR)$(BINDIR) $(DESTDIR)$(MAN1DIR)
	install -m 755 $(BUILD)/pagepack/pagepack $(BUILD)/pageprobe/pageprobe $(DESTDIR)$(BINDIR)/
	install -m 644 man/pagepack.1 man/pageprobe.1 $(DESTDIR)$(MAN1DIR)/

uninstall:
	rm -f $(DESTDIR)$(BINDIR)/pagepack $(DESTDIR)$(BINDIR)/pageprobe
	rm -f $(DESTDIR)$(MAN1DIR)/pagepack.1 $(DESTDIR)$(MAN1DIR)/pageprobe.1

# Times both programs on the largest site a database can hold; see bench/README.md.
bench: deps build
	bench/run.sh $(abspath $(BUILD))

# The whole project and its tests under AddressSanitizer and UBSan; any report fails.
SANITIZE_BUILD ?= build-sanitize
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPQA_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (clang), each run FUZZ_SECONDS on its corpus and on seeds
# made from the example site.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps build
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DPQA_FUZZ=ON -DBUILD_TESTING=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/make_seeds.sh $(BUILD) $(FUZZ_BUILD)/seeds
	fuzz/run_all.sh $(FUZZ_BUILD) $(FUZZ_BUILD)/seeds $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
