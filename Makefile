# The two everyday commands (see README.md). Each one installs what is
# missing, configures, builds, and then does its job.

SAMPLE ?= samples/courtyard.3ds
OUTPUT ?= build/courtyard.kvm

.PHONY: run test package sanitize fuzz setup setup-build configure command-line-host host build build-sanitize bench bench-record clean

# The host in build/bin without kvstudio, the tests and the benchmarks:
# what the conversion needs. `make host` adds kvstudio.
run: command-line-host
	./build/bin/kvimport --progress=none $(SAMPLE) $(OUTPUT)
	@echo "Model written to $(OUTPUT)"

test: build
	ctest --preset default

package: host
	rm -f build/*.deb
	cpack --preset default

sanitize: setup
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

# FUZZ_SECONDS a target: 120 by default, 30 in CI, 1800 for a long run.
FUZZ_SECONDS ?= 120
fuzz: setup
	bash tools/fuzz.sh $(FUZZ_SECONDS)

bench: build
	./build/bench/host_api_benchmark
	./build/bench/kv_benchmarks

# Import cost next to lib3ds reading the file, and next to assimp: see bench/README.md.
bench-record:
	bash bench/record.sh

setup:
	bash tools/setup.sh

setup-build:
	bash tools/setup.sh build

configure: setup-build
	cmake --preset default

command-line-host: configure
	cmake --build --preset default --target kv_command_line_host

host: configure
	cmake --build --preset default --target kv_host_installation

build: setup
	cmake --preset default
	cmake --build --preset default

clean:
	rm -rf build build-sanitize build-fuzz
