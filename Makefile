# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# `make test` builds with warnings as errors; `make run` does not stop a user's build for one.
TEST_FLAGS ?= -DKORVANE_WERROR=ON
# The second build: the core and its reader tests and fuzz targets, clang with ASan + UBSan.
SANITIZE_BUILD ?= build-sanitize
FUZZ_SECONDS ?= 20

.PHONY: all deps configure build run test format format-check sanitize-test bench package clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/bin && ./korvane

test: format-check
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) $(TEST_FLAGS)"
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) sanitize-test

# Every C++ file as .clang-format lays it out.
format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# Reader tests under the sanitizers, then each fuzz target for FUZZ_SECONDS from the fixtures.
sanitize-test: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DKORVANE_BUILD_UI=OFF -DKORVANE_SANITIZE=ON $(TEST_FLAGS) -DKORVANE_FUZZ=ON -DKORVANE_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target reader-checks
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS) -L 'reader|fuzz'

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target bench

# The Debian package, build/korvane_<version>_<arch>.deb: `apt install ./build/korvane_*.deb`.
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
