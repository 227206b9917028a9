# The two set-up commands: `make run` and `make test`. Both install what is
# missing first (Debian 12, as root or through sudo).

BUILD      ?= build
JOBS       ?= 2
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
PACKAGES   := g++ make cmake ninja-build pkg-config \
              qt6-base-dev qt6-qpa-plugins qt6-translations-l10n \
              libgtest-dev libgmock-dev libbenchmark-dev \
              fonts-liberation
CMAKE_ARGS ?=

.PHONY: all deps build run test test-sanitize bench format clean

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

# Every test, the Qt ones on the offscreen platform.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole Qt-free test suite under AddressSanitizer and UBSan.
test-sanitize: deps
	cmake -S . -B build-sanitize -G Ninja -DARCHIVIO_SANITIZE=ON -DARCHIVIO_WITH_QT=OFF -DARCHIVIO_BENCH=OFF
	cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/krt_bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-sanitize
