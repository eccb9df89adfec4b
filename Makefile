# Developer entry points for zkcp. `make demo` and `make test` are all a
# newcomer needs on a fresh Debian machine: both install the build
# dependencies first when any is missing.

SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c

PREFIX ?= /usr/local
JOBS ?= 2
CMAKE ?= cmake
GENERATOR ?= Ninja

BUILD_DIR := build
BENCH_DIR := build-bench
ASAN_DIR := build-asan
FUZZ_DIR := build-fuzz
FUZZ_SECONDS ?= 60

DEBIAN_PACKAGES := cmake ninja-build g++ libcoin-dev libgtest-dev libbenchmark-dev pkg-config \
	nlohmann-json3-dev libcli11-dev libpugixml-dev libtinygltf-dev libassimp-dev libboost-dev
# The Debian package: dpkg-shlibdeps finds its dependencies, file its binaries.
DEBIAN_PACKAGES += dpkg-dev file
# The demo renders its picture with a VRML browser on a virtual display.
DEMO_PACKAGES := view3dscene xvfb xauth
# The X3D page and its checks: X_ITE in headless chromium, driven from node
# (Debian nodejs and npm, installed only when the commands are missing, as
# other node builds bring npm themselves and conflict with Debian's).
WEB_PACKAGES := chromium python3 view3dscene xvfb xauth

# sudo only when not root and sudo is there; as root the commands run as is.
SUDO := $(shell if [ "$$(id -u)" != 0 ] && command -v sudo >/dev/null 2>&1; then echo sudo; fi)

DEMO_PROGRAM := $(BUILD_DIR)/tools/zkcp-export
DEMO_INPUT := examples/world/world.json
DEMO_MODULES := $(BUILD_DIR)/examples/behaviors
DEMO_OUTPUT := $(BUILD_DIR)/demo
DEMO_X3D := $(DEMO_OUTPUT)/x3d
DEMO_GLTF := $(DEMO_OUTPUT)/gltf

# Sanitizer builds compile at -O1 with line tables only: half the compile
# time of -O2 -g on the Beast and tinygltf code, and stacks still name
# every frame and line.
SANITIZER_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
	-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DZKCP_SANITIZE=ON

SANITIZER_ENV := ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all deps demo-deps build configure test bench install package demo serve asan-test fuzz clean

all: build

# Installs only what is missing: nothing is fetched on a ready machine.
deps:
	@missing=""; \
	for pkg in $(DEBIAN_PACKAGES) $(WEB_PACKAGES); do \
	  if ! dpkg -s "$$pkg" 2>/dev/null | grep -q '^Status: install ok installed'; then \
	    missing="$$missing $$pkg"; \
	  fi; \
	done; \
	command -v node >/dev/null || missing="$$missing nodejs"; \
	command -v npm >/dev/null || missing="$$missing npm"; \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing Debian packages:$$missing"; \
	  $(SUDO) apt-get update; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi; \
	if [ ! -f web/node_modules/.package-lock.json ] || \
	   [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then \
	  (cd web && npm ci --no-audit --no-fund); \
	fi

configure: deps
	$(CMAKE) -S . -B $(BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	$(CMAKE) --build $(BUILD_DIR) -j $(JOBS)

test: deps build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)

bench: deps
	$(CMAKE) -S . -B $(BENCH_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  -DZKCP_BUILD_BENCH=ON -DZKCP_BUILD_TESTS=OFF -DZKCP_BUILD_EXAMPLES=ON
	$(CMAKE) --build $(BENCH_DIR) -j $(JOBS)
	@programs=$$(find $(BENCH_DIR)/bench -maxdepth 1 -type f -perm -u+x -name '*_bench' | sort); \
	if [ -z "$$programs" ]; then echo "No benchmark programs in $(BENCH_DIR)/bench" >&2; exit 1; fi; \
	for program in $$programs; do \
	  echo "== $$program"; \
	  "$$program"; \
	done
	@echo "== zkcp-export on generated worlds"
	bench/export_scale.sh $(BENCH_DIR)/tools/zkcp-export $(BENCH_DIR)/examples/behaviors

install: build
	$(CMAKE) --install $(BUILD_DIR) --prefix $(PREFIX)

# build/zkcp_<version>_<arch>.deb, for /usr.
package: build
	$(CMAKE) --build $(BUILD_DIR) --target package

demo: demo-deps build
	$(DEMO_PROGRAM) $(DEMO_INPUT) --steps 10 --modules $(DEMO_MODULES) \
	  --out $(DEMO_OUTPUT) --snapshot $(DEMO_OUTPUT)/world.png
	$(DEMO_PROGRAM) $(DEMO_INPUT) --steps 10 --modules $(DEMO_MODULES) --format x3d --record 10:0.2 \
	  --out $(DEMO_X3D) -q
	node web/check.mjs --dir $(DEMO_X3D) --world $(DEMO_INPUT) --reference $(DEMO_OUTPUT)/world.png \
	  --picture $(DEMO_X3D)/world.png
	$(DEMO_PROGRAM) $(DEMO_INPUT) --steps 10 --modules $(DEMO_MODULES) --format gltf --record 10:0.2 \
	  --out $(DEMO_GLTF) -q
	node web/check.mjs --dir $(DEMO_GLTF) --world $(DEMO_INPUT) --gltf yes --turn door1/Leaf:90 \
	  --reference $(DEMO_OUTPUT)/world.png --picture $(DEMO_GLTF)/world.png
	@echo "Demo output: $(DEMO_OUTPUT)/world/world.wrl (the VRML 97 world), $(DEMO_OUTPUT)/world.png (its picture)"
	@echo "             $(DEMO_X3D)/index.html (the X3D world in a page, whose door opens as you walk up to it), $(DEMO_X3D)/world.png (its picture in the browser)"
	@echo "             $(DEMO_GLTF)/world.glb (the world as binary glTF), $(DEMO_GLTF)/world.png (its picture in three.js)"
	@echo "To open the page: cd $(DEMO_X3D) && python3 -m http.server, then http://localhost:8000/"
	@echo "To run the world live for any number of browsers: make serve, then open the address it prints"

# The sample room live: zkcp-serve runs its behaviours and serves it to
# browsers on http://127.0.0.1:8123/ until Ctrl-C.
serve: build
	$(BUILD_DIR)/tools/zkcp-serve $(DEMO_INPUT) --modules $(DEMO_MODULES)

# One install for the build and the demo packages together.
demo-deps:
	@$(MAKE) --no-print-directory deps DEBIAN_PACKAGES="$(DEBIAN_PACKAGES) $(DEMO_PACKAGES)"

# Builds the library and the fuzz targets with clang, AddressSanitizer and
# libFuzzer, and runs each target for FUZZ_SECONDS over its corpus in
# fuzz/corpus/<target> (new inputs go to the build folder's copy). Every
# target runs even when one fails; the run fails if any did, naming them.
# Full allocation stacks let the leak suppressions match inside Coin's reader.
FUZZ_TARGETS := $(shell grep -o '^zkcp_fuzz_target.[a-z0-9_]*' fuzz/CMakeLists.txt | cut -c18-)
FUZZ_ASAN_OPTIONS := halt_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0
fuzz: deps
	@$(MAKE) --no-print-directory deps DEBIAN_PACKAGES="clang"
	CC=clang CXX=clang++ $(CMAKE) -S . -B $(FUZZ_DIR) -G $(GENERATOR) $(SANITIZER_FLAGS) \
	  -DZKCP_BUILD_FUZZ=ON -DZKCP_BUILD_TESTS=OFF -DZKCP_BUILD_EXAMPLES=OFF \
	  -DZKCP_BUILD_TOOLS=OFF
	$(CMAKE) --build $(FUZZ_DIR) -j $(JOBS) --target $(FUZZ_TARGETS)
	@failed=""; \
	for target in $(FUZZ_TARGETS); do \
	  echo "== $$target"; \
	  mkdir -p $(FUZZ_DIR)/corpus/$$target; \
	  $(SANITIZER_ENV) ASAN_OPTIONS=$(FUZZ_ASAN_OPTIONS) $(FUZZ_DIR)/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -rss_limit_mb=4096 -print_final_stats=1 $(FUZZ_DIR)/corpus/$$target fuzz/corpus/$$target || \
	    failed="$$failed $$target"; \
	done; \
	if [ -n "$$failed" ]; then echo "make fuzz: failed:$$failed" >&2; exit 1; fi

asan-test: deps
	$(CMAKE) -S . -B $(ASAN_DIR) -G $(GENERATOR) $(SANITIZER_FLAGS)
	$(CMAKE) --build $(ASAN_DIR) -j $(JOBS)
	$(SANITIZER_ENV) ctest --test-dir $(ASAN_DIR) --output-on-failure -j$(JOBS)

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(ASAN_DIR) $(FUZZ_DIR)
