# Quill: `make run` builds everything and runs the main example; `make test` runs every test,
# first in a Release build and then under AddressSanitizer and UndefinedBehaviorSanitizer.

BUILD      := build
ASAN_BUILD := build-asan
FUZZ_BUILD := build-fuzz
JOBS       ?= 2
FUZZ_SECONDS ?= 60

# Debian packages the build needs (fuzzing adds clang and its runtime, see `fuzz`).
PACKAGES      := cmake g++ make libgtest-dev
FUZZ_PACKAGES := clang libclang-rt-14-dev

SAN_ENV := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
           UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all setup build run test test-release test-sanitize bench fuzz clean

all: build

# Install what is missing when we are root; otherwise say exactly what to run.
define require_packages
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	  else \
	    echo "Missing Debian packages. Run:"; echo "  sudo apt-get install -y$$missing"; exit 1; \
	  fi; \
	fi
endef

setup:
	$(call require_packages,$(PACKAGES))

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(MAKE) --no-print-directory -C examples run BUILD=$(abspath $(BUILD))

test: test-release test-sanitize

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: setup
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILL_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(SAN_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/quill_kernel_bench
	$(BUILD)/quill_bench
	$(BUILD)/csv_read_bench

fuzz: setup
	$(call require_packages,$(FUZZ_PACKAGES))
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUILL_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target quill_fuzzers
	@for f in $(FUZZ_BUILD)/fuzz_*; do \
	  name=$$(basename $$f); corpus=tests/fuzz/corpus/$${name#fuzz_}; mkdir -p $$corpus; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -timeout=10 $$corpus || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
