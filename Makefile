# The two set-up commands: `make run` and `make test`. Both install what is
# missing first (Debian 12, as root or through sudo).

BUILD      ?= build
JOBS       ?= 2
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
PACKAGES   := g++ make cmake ninja-build pkg-config \
              qt6-base-dev qt6-qpa-plugins qt6-translations-l10n \
              libgtest-dev libgmock-dev libbenchmark-dev \
              fonts-liberation clang libclang-rt-14-dev \
              xvfb dbus at-spi2-core python3-pyatspi locales \
              libxlsxwriter-dev python3-openpyxl
CMAKE_ARGS ?=
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_lines fuzz_verify fuzz_merge fuzz_select

.PHONY: all deps build run test test-sanitize fuzz bench package format clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installo: $$missing"; \
	  $(SUDO) apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

# The program, started in demo/ with the sample lookup lists, archive and help.
run: build
	cd demo && ../$(BUILD)/archivio

# Every test, the Qt ones on the offscreen platform, then a short run of
# each fuzz target.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) fuzz FUZZ_SECONDS=10

# Each libFuzzer target (ASan + UBSan) for FUZZ_SECONDS seconds. The inputs it
# finds grow build-fuzz/corpus/<target>; fuzz/corpus/<target> holds the seeds
# and every input that once found a fault, run again each time.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DARCHIVIO_FUZZ=ON -DARCHIVIO_WITH_QT=OFF -DARCHIVIO_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t fuzz/corpus/$$t; \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 build-fuzz/$$t -max_total_time=$(FUZZ_SECONDS) \
	    -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/$$t- build-fuzz/corpus/$$t fuzz/corpus/$$t 2>build-fuzz/$$t.log \
	    || { tail -60 build-fuzz/$$t.log; exit 1; }; \
	  grep -E '^stat::number_of_executed_units|^Done' build-fuzz/$$t.log; \
	done

# The whole Qt-free test suite under AddressSanitizer and UBSan.
test-sanitize: deps
	cmake -S . -B build-sanitize -G Ninja -DARCHIVIO_SANITIZE=ON -DARCHIVIO_WITH_QT=OFF -DARCHIVIO_BENCH=OFF
	cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# A Debian package of the program and the batch tool.
package: build
	@dpkg-query -W -f='$${Status}' dpkg-dev 2>/dev/null | grep -q 'ok installed' || \
	  ($(SUDO) apt-get update -qq && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq dpkg-dev)
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/*.deb

# Every operation timed on generated archives (Release build in build-bench),
# in the core and in the real Qt windows; the table goes to $(BUILD)/bench.csv.
# KRT_BENCH_MILLION=0 skips the million.
bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DARCHIVIO_WITH_QT=ON -DARCHIVIO_BENCH=ON
	cmake --build build-bench -j $(JOBS) --target krt_bench archivio-cli
	mkdir -p $(BUILD)
	build-bench/krt_bench --csv $(BUILD)/bench.csv

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-sanitize
