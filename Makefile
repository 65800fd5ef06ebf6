# Quick start: `make demo` and `make test`.
BUILD_DIR ?= build
ASAN_DIR  ?= build-asan
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_DIR  ?= build-fuzz
FUZZ_SECONDS ?= 60
DEB_PACKAGES := cmake g++ make libgtest-dev libbenchmark-dev libcli11-dev libyaml-cpp-dev \
  pybind11-dev python3-dev python3-numpy python3-pandas python3-mne python3-matplotlib python3-pytest \
  python3-dask python3-distributed
FUZZ_DEB_PACKAGES := clang libclang-rt-14-dev

.PHONY: all deps fuzz-deps install-packages configure build test asan-test fuzz-build fuzz bench demo install clean

all: build

# Installs the Debian build packages that are missing (as root), or prints
# the command that would.
deps:
	@$(MAKE) --no-print-directory install-packages PACKAGES="$(DEB_PACKAGES)"

# The fuzz targets need clang and its sanitizer and libFuzzer runtimes.
fuzz-deps: deps
	@$(MAKE) --no-print-directory install-packages PACKAGES="$(FUZZ_DEB_PACKAGES)"

install-packages:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    (apt-get install -y $$missing || (apt-get update && apt-get install -y $$missing)) >/dev/null; \
	  else \
	    echo "Missing build packages. Run: sudo apt-get install -y$$missing"; exit 1; \
	  fi; \
	fi

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

asan-test: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DECEVENTS_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

fuzz-build: fuzz-deps
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DECEVENTS_FUZZ=ON -DECEVENTS_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target $$(sed -n 's/^\([a-z_]*\) .*/fuzz_\1/p' fuzz/targets.txt) \
	  >$(FUZZ_DIR)/build.log 2>&1 || { cat $(FUZZ_DIR)/build.log; exit 1; }

# Every fuzz target for FUZZ_SECONDS seconds; the corpora grow in
# $(FUZZ_DIR)/corpus, and a finding fails the run.
fuzz: fuzz-build
	@fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DECEVENTS_BUILD_BENCH=ON >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# Builds only the program, its compiler output kept in a log, so that the
# demo's summary is what shows.
demo: configure
	@echo "Building ecbin (log: $(BUILD_DIR)/demo-build.log)..."
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target ecbin >$(BUILD_DIR)/demo-build.log 2>&1 \
	  || { cat $(BUILD_DIR)/demo-build.log; exit 1; }
	@echo
	@$(BUILD_DIR)/cli/ecbin demo

install: build
	@cmake --install $(BUILD_DIR)

clean:
	@rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) build-bench
