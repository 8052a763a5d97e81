# Thin wrapper over the CMake presets.  `make test` and `make demo` work on
# a fresh machine: they install what is missing first.
BOOTSTRAP := scripts/bootstrap
FUZZ_SECONDS ?= 60

.PHONY: all build test asan-test demo bench fuzz clean bootstrap

all: build

bootstrap:
	@$(BOOTSTRAP)

build: bootstrap
	cmake --preset default
	cmake --build --preset default

test: build
	ctest --preset default

asan-test: bootstrap
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# The demo builds only the kwt program, the writer of its recordings and
# the Python module, optimised but without debug information (the quickest
# build).
demo:
	@$(BOOTSTRAP) demo
	cmake --preset demo
	cmake --build --preset demo --target kwt make_demo_recordings _kwt
	examples/demo.sh build/demo

bench: build
	bench/run.sh build/default

fuzz:
	@$(BOOTSTRAP) fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run.sh build/fuzz

clean:
	rm -rf build
