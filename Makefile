# Quenlor: `make run` and `make test` work on a fresh Debian 12 machine.
SHELL := /bin/bash
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
SAMPLE     ?= data/Estudios/Juan3.rvf

PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
            libjpeg62-turbo-dev libsimpleini-dev libsqlite3-dev libsword-dev sword-text-sparv \
            xvfb xauth fonts-liberation fonts-dejavu-core poppler-utils locales unrtf \
            qt6-translations-l10n cups cups-client printer-driver-cups-pdf
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
# ccache, where a developer has it, shares object files between checkouts of the tree.
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: all deps build build-asan run test test-release test-asan bench fuzz clean verse-table package

all: build

# Installs only what is missing, so a second run costs one dpkg query.
deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get -o DPkg::Lock::Timeout=300 update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends $$missing; \
	fi

# The configurations themselves are the presets of CMakePresets.json.
$(BUILD)/build.ninja: | deps
	cmake --preset release -B $(BUILD) $(LAUNCHER)

$(ASAN_BUILD)/build.ninja: | deps
	cmake --preset asan -B $(ASAN_BUILD) $(LAUNCHER)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# The full verse table is built from the Debian Bible module once; the committed
# sample table in data/ stands in when the module is not installed.
verse-table: build
	@if [ ! -f $(BUILD)/data/RV1960.xml ] && [ -x $(BUILD)/src/cli/quenlor-cli ]; then \
	  mkdir -p $(BUILD)/data; \
	  if $(BUILD)/src/cli/quenlor-cli import-sword $(BUILD)/data.tmp >/dev/null 2>&1; then \
	    mv $(BUILD)/data.tmp/RV1960.xml $(BUILD)/data/RV1960.xml; rm -rf $(BUILD)/data.tmp; \
	  else rm -rf $(BUILD)/data.tmp; cp data/RV1960.xml $(BUILD)/data/RV1960.xml 2>/dev/null || true; fi; \
	fi

run: build verse-table
	QUENLOR_DATA=$(CURDIR)/$(BUILD)/data $(BUILD)/src/app/quenlor $(SAMPLE)

# The Debian package (build/quenlor_*.deb): programs, verse table, samples,
# help, desktop entry, icon and the .rvf file type.
package: build verse-table
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/quenlor_*.deb

test: test-release test-asan

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# The balloon bench needs a window system: without a display it gets a virtual one.
bench: build verse-table
	@x=; if [ -z "$$DISPLAY" ] && command -v xvfb-run >/dev/null; then x="xvfb-run -a"; fi; \
	status=0; for b in $(BUILD)/bench/*/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; $$x "$$b" || { echo "$$b failed" >&2; status=1; }; \
	done; exit $$status

# libFuzzer builds need clang; run a target with e.g.  build-fuzz/tests/fuzz/xmlsql/fuzz_sql -max_total_time=60
fuzz:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) clang libclang-rt-14-dev"
	cmake --preset fuzz $(LAUNCHER)
	cmake --build build-fuzz -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
