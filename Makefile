# The two commands of the README:
#   make test   installs what is missing, builds both targets, runs the tests of both
#   make demo   builds, then packs the built-in example and installs it with Update.exe
.PHONY: all bootstrap build build-i686 build-x64 test demo screenshots bench clean

CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Release

all: build

bootstrap:
	@scripts/bootstrap.sh

build: build-i686 build-x64

build-i686: bootstrap
	@cmake -S . -B build/i686 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null
	@cmake --build build/i686

build-x64: bootstrap
	@cmake -S . -B build/x64 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake >/dev/null
	@cmake --build build/x64

test: build
	@scripts/run-tests.sh build/x64
	@scripts/run-tests.sh build/i686

demo: build
	@scripts/bootstrap.sh pictures
	@scripts/demo.sh build/x64

screenshots: build-x64
	@scripts/bootstrap.sh pictures
	@scripts/screenshot.sh build/x64

bench: build-x64
	@scripts/bench.sh build/x64

clean:
	rm -rf build
