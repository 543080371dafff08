# Wrapper around CMake: make, make test, make demo, make clean.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

# Debian packages of the independent tools that the interoperability tests run.
TEST_PACKAGES = netpbm libpalm-pdb-perl txt2pdbdoc
# What building needs; present on these machines, installed when missing.
BUILD_PACKAGES = cmake g++ make libgtest-dev

.PHONY: all build test deps demo clean sanitize

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

demo: build

# The whole project and its tests under AddressSanitizer and UBSan; any report fails.
SANITIZE_BUILD ?= build-sanitize
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPQA_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
