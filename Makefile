# Wrapper around CMake: make, make test, make demo, make clean.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

# Debian packages of the independent tools that the interoperability tests run.
TEST_PACKAGES = netpbm libpalm-pdb-perl txt2pdbdoc
# What building needs; present on these machines, installed when missing.
BUILD_PACKAGES = cmake g++ make libgtest-dev

.PHONY: all build test deps demo clean

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

clean:
	rm -rf $(BUILD)
