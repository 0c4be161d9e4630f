# The two commands of the README: `make demo` and `make test`. Both install
# what is missing, configure and build first.
BUILD ?= build
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all setup configure build demo test clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) > $(BUILD).configure.log 2>&1 \
	  || { cat $(BUILD).configure.log; exit 1; }

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

demo: build
	@bash scripts/demo.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD).configure.log

# Benchmarks on generated traces: BENCH_SIZES="S M" make bench for a subset.
.PHONY: bench
bench: build
	@bash scripts/bench.sh $(BUILD)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
.PHONY: test-sanitize
test-sanitize: setup
	@bash scripts/test-sanitize.sh

# Every fuzz harness for FUZZ_SECONDS seconds each (default 60).
.PHONY: fuzz
fuzz: setup
	@bash scripts/fuzz.sh

# A Debian package of the build (CPack), in $(BUILD).
.PHONY: package
package: build
	@cd $(BUILD) && cpack -G DEB

# Installs into PREFIX (default /usr/local).
.PHONY: install
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)
