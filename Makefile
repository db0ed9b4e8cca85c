# The two commands of the README: `make run` and `make test`. Each installs the Debian
# packages it lacks, configures and builds.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)

# Debian 12 packages the build, the tests and the benchmarks need. openbox: a light window
# manager for trying the program under Xvfb as users see it (frames, work area, placement);
# the GUI tests themselves run without one. The Python module is built for Debian's python3
# (/usr/bin/python3, where these NumPy, pytest, matplotlib and pandas live); matplotlib and
# pandas are optional for the module, present so that the example's plots and the summary
# as a DataFrame are tested too.
PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libfftw3-dev libxml2-dev libgtk2.0-dev grace xvfb xauth openbox \
            clang libclang-rt-14-dev libcairo2-dev libpango1.0-dev \
            poppler-utils librsvg2-bin imagemagick perl libxy-dev libxrl-dev \
            nettle-dev nlohmann-json3-dev \
            dpkg-dev lintian desktop-file-utils shared-mime-info man-db libxml2-utils gettext \
            python3-dev pybind11-dev python3-numpy python3-pytest python3-matplotlib python3-pandas

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test test-asan test-package package pot bench fuzz run reduce-example clean

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

# The user-interface tests need a display: the suite runs inside a virtual X server.
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"
test: build test-asan test-package
	cd $(BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS)

# The Debian package of what make build made: make package writes amoq_<version>_amd64.deb
# into the build folder; test-package builds it in a scratch folder and checks it.
package: build
	cd $(BUILD) && cpack -G DEB

test-package: build
	bash packaging/check-package.sh $(BUILD)

# The translation template: every text marked in the sources and in amoq.gui, in the
# "tessal" domain. po/<language>.po are brought up to date with msgmerge -U.
POT_SOURCES = $(sort $(wildcard src/gui/*/*.cpp src/gui/*/*.h src/project/*.cpp src/project/*.h \
                                src/files/*.cpp src/import/*.cpp src/numeric/safe_files.cpp \
                                src/plot/*.cpp src/series/*.cpp tools/*.cpp))
pot:
	xgettext --from-code=UTF-8 --language=C++ --keyword=_ --keyword=N_ --keyword=tr \
	  --add-comments=TRANSLATORS: --package-name=AMOQ --package-version=2.0 \
	  -o po/tessal.pot $(POT_SOURCES)
	xgettext --from-code=UTF-8 --language=Glade --join-existing -o po/tessal.pot data/amoq.gui

# The layers below the user interface once more, built with the sanitizers.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DAMOQ_GUI=OFF -DAMOQ_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DAMOQ_TESTS=OFF -DAMOQ_BENCH=ON -DAMOQ_GUI=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@rm -f $(BENCH_BUILD)/results.txt; for b in $(BENCH_BUILD)/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; \
	  "$$b" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
	        --benchmark_min_time=0.2 > $(BENCH_BUILD)/one.txt || exit 1; \
	  cat $(BENCH_BUILD)/one.txt; cat $(BENCH_BUILD)/one.txt >> $(BENCH_BUILD)/results.txt; \
	done
	@awk -f bench/ratios.awk bench/ratios.txt $(BENCH_BUILD)/results.txt
	@echo "== amoq-reduce, whole process"
	@bench/reduce_startup.sh $(BENCH_BUILD)/tools/amoq-reduce
	@bench/series.sh $(BENCH_BUILD)/tools/amoq-reduce
	@echo "== amoq Python module, in process"
	@PYTHONPATH=$(BENCH_BUILD)/python /usr/bin/python3 bench/python_reduce.py

# Each file reader under libFuzzer (clang, address and undefined sanitizers) for
# FUZZ_SECONDS seconds, one after the other, starting from the seed corpora in fuzz/corpus.
# New inputs go to $(FUZZ_BUILD)/corpus, crashes to $(FUZZ_BUILD)/crashes; a crashing
# input belongs in fuzz/regressions/<target>/ once fixed, where make test replays it.
FUZZ_TARGETS := nap:65536 naw:131072 apf:16384 read_data:8192 header:65536 import_reply:65536

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DAMOQ_GUI=OFF -DAMOQ_TESTS=OFF -DAMOQ_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(foreach t,$(FUZZ_TARGETS),fuzz_$(firstword $(subst :, ,$(t))))
	@for spec in $(FUZZ_TARGETS); do \
	  t=$${spec%%:*}; len=$${spec##*:}; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/crashes/$$t; \
	  echo "== fuzz_$$t for $(FUZZ_SECONDS) s (max_len $$len)"; \
	  dict=; [ -f fuzz/$$t.dict ] && dict=-dict=fuzz/$$t.dict; \
	  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(FUZZ_BUILD)/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=$$len $$dict \
	    -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/crashes/$$t/ \
	    $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t fuzz/regressions/$$t || exit 1; \
	done

# The program on the bundled SiO2 example project, ready for the four calculations.
run: build
	$(BUILD)/src/gui/amoq examples/sio2/sio2.nap

# The same example reduced without a window by the batch tool.
EXAMPLE_OUT ?= $(BUILD)/sio2-results
reduce-example: build
	$(BUILD)/tools/amoq-reduce -o $(EXAMPLE_OUT) examples/sio2/sio2.nap
	@echo "The SiO2 example is reduced: results (corrected.dat, qsq.dat, sq.dat, Gr.dat, gr.dat) are in $(EXAMPLE_OUT)/"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
