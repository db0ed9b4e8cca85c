# The two commands of the README: `make run` and `make test`. Each installs the Debian
# packages it lacks, configures and builds.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
JOBS       ?= $(shell nproc)

# Debian 12 packages the build, the tests and the benchmarks need.
PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libfftw3-dev libxml2-dev libgtk2.0-dev grace xvfb xauth \
            clang libclang-rt-14-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test test-asan bench run clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

test: build test-asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The layers below the user interface once more, built with the sanitizers.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DAMOQ_GUI=OFF -DAMOQ_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DAMOQ_TESTS=OFF -DAMOQ_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; \
	  "$$b" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
	        --benchmark_min_time=0.2 || exit 1; \
	done

# Until the window exists, run reduces the bundled SiO2 example with the batch tool.
EXAMPLE_OUT ?= $(BUILD)/sio2-results
run: build
	$(BUILD)/tools/amoq-reduce -o $(EXAMPLE_OUT) examples/sio2/sio2.nap
	@echo "The SiO2 example is reduced: results (corrected.dat, qsq.dat, sq.dat, Gr.dat, gr.dat) are in $(EXAMPLE_OUT)/"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
