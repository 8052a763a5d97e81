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

# The demo builds only the kwt program and the writer of its recordings.
demo:
	@$(BOOTSTRAP) demo
	cmake --preset default
	cmake --build --preset default --target kwt make_demo_recordings
	examples/demo.sh build/default

bench: build
	bench/run.sh build/default

fuzz:
	@$(BOOTSTRAP) fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run.sh build/fuzz

clean:
	rm -rf build
