# Quill: `make run` builds quill, its two libraries and the examples and runs the main example;
# `make test` builds everything and runs every test, first in a Release build and then under
# AddressSanitizer and UndefinedBehaviorSanitizer.

BUILD      := build
ASAN_BUILD := build-asan
FUZZ_BUILD := build-fuzz
JOBS       ?= 2
FUZZ_SECONDS ?= 60
FUZZ_RUNS    ?= -1
FUZZ_TARGETS ?= program csv data_step quillfit runscad sas sql
# What `make run` needs: the quill executable, libquill, the quillfit module and the C example;
# no test, fuzz or benchmark object.
RUN_TARGETS  := quill_host_cli quill quillfit runscad_example
# ON: the fuzz build compiles ReadStat from Debian's source package with its instrumentation
# (fetched once into the fuzz build folder; needs the archive); OFF: the system's library.
FUZZ_READSTAT ?= ON

# Debian packages the build and the tests need (fuzzing adds clang and its runtime, see `fuzz`).
PACKAGES      := cmake g++ make libgtest-dev pkgconf libplplot-dev libxml2-utils libxml2-dev libreadstat-dev libsqlite3-dev libboost-dev
FUZZ_PACKAGES := clang libclang-rt-14-dev

# intercept_tls_get_addr=0: this toolchain's sanitizer guesses the bounds of a dynamic TLS block
# (libquill's, in a module the host loads) from the bytes before it whenever the block starts 16
# bytes into a page, and the leak check then scans a range that is not memory and crashes.
SAN_ENV := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 \
           UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all setup configure build run test test-release test-sanitize bench fuzz clean

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

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)
	@$(MAKE) --no-print-directory -C examples run BUILD=$(abspath $(BUILD))

test: test-release test-sanitize

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: setup
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILL_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(SAN_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# BENCH_ARGS is handed to the benchmark, for example --against OTHER_BUILD --threads 1,2.
bench: build
	$(BUILD)/quill_kernel_bench
	$(BUILD)/quill_bench $(BENCH_ARGS)
	$(BUILD)/csv_read_bench
	$(BUILD)/data_step_bench
	$(BUILD)/sas_bench

# Each target runs FUZZ_SECONDS (or FUZZ_RUNS inputs, whichever ends first) on its committed
# corpus, new inputs going to the build folder; the corpus is then replaced by a minimized merge of
# both, and the executions and the coverage (cov: edges, ft: features) are reported. Seeds under
# tests/fuzz/seeds/NAME (real files) are read on every run and never merged away.
# FUZZ_TARGETS=runscad runs one target.
fuzz: setup
	$(call require_packages,$(FUZZ_PACKAGES))
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUILL_FUZZ=ON \
	  -DQUILL_FUZZ_READSTAT=$(FUZZ_READSTAT) "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" "-DCMAKE_C_FLAGS_DEBUG=-g -O1"
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target quill_fuzzers
	@for name in $(FUZZ_TARGETS); do \
	  corpus=tests/fuzz/corpus/$$name; found=$(FUZZ_BUILD)/found/$$name; merged=$(FUZZ_BUILD)/merged/$$name; \
	  seeds=tests/fuzz/seeds/$$name; [ -d $$seeds ] || seeds=; \
	  log=$(FUZZ_BUILD)/logs/$$name.log; mkdir -p $$corpus $$found $(FUZZ_BUILD)/logs; \
	  echo "== fuzz_$$name ($(FUZZ_SECONDS) s)"; \
	  if ! $(FUZZ_BUILD)/fuzz_$$name -max_total_time=$(FUZZ_SECONDS) -runs=$(FUZZ_RUNS) -timeout=10 -print_final_stats=1 \
	       -artifact_prefix=$(FUZZ_BUILD)/ $$found $$corpus $$seeds > $$log 2>&1; then \
	    tail -40 $$log; echo "fuzz_$$name found a problem; the input is in $(FUZZ_BUILD)/"; exit 1; \
	  fi; \
	  grep -h 'stat::number_of_executed_units\|stat::average_exec_per_sec' $$log; \
	  grep -h '[[:space:]]DONE[[:space:]]' $$log | sed 's/^#[0-9]*[[:space:]]*DONE[[:space:]]*/coverage: /'; \
	  rm -rf $$merged; mkdir -p $$merged; \
	  $(FUZZ_BUILD)/fuzz_$$name -merge=1 $$merged $$corpus $$found > /dev/null 2>&1 && \
	    rm -rf $$corpus && mv $$merged $$corpus && echo "corpus: $$(ls $$corpus | wc -l) inputs"; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
