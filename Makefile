# Front door for a new machine: every target installs what is missing first, and only what
# it needs (scripts/install-deps names the packages of each profile).
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-bench
PACKAGE_BUILD ?= build-package
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local
CMAKE_FLAGS = -G Ninja -Wno-dev

.PHONY: all deps build run install uninstall package test test-plain test-asan test-system \
	fuzz bench screenshot format clean

all: build

deps:
	@./scripts/install-deps build

# The programs and what installing them takes; no test.
build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) --target programs

# Only what it runs: the program, and qmtool for a terminal without a display.
run: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) --target quillmar qmtool
	./scripts/run-sample $(BUILD)

# PREFIX and DESTDIR as usual: `sudo make install`, `make install DESTDIR=/tmp/stage PREFIX=/usr`.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	cmake -DMANIFEST=$(BUILD)/install_manifest.txt -DDATADIR=$(PREFIX)/share -P data/uninstall.cmake

# build-package/quillmar_VERSION_ARCH.deb, from a release build without tests.
package:
	@./scripts/install-deps package
	cmake -S . -B $(PACKAGE_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF \
		-DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(PACKAGE_BUILD) --target programs
	cd $(PACKAGE_BUILD) && cpack -G DEB
	@ls $(PACKAGE_BUILD)/quillmar_*.deb

test:
	@./scripts/install-deps test
	$(MAKE) test-plain test-asan fuzz

test-plain:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD)
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j2

test-asan:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DQM_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN_BUILD)
	QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir $(ASAN_BUILD) --output-on-failure -j2

# A print server, the accessibility bus and a Wayland compositor started for the run, and
# the package installed and removed; needs root (it says so and skips otherwise).
test-system:
	@if [ "$$(id -u)" -ne 0 ]; then ./tests/system/run; exit 0; fi; \
	set -e; \
	./scripts/install-deps test system; \
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS); \
	cmake --build $(BUILD) --target programs test_system_print test_system_wayland; \
	$(MAKE) package; \
	./tests/system/run $(BUILD) $(PACKAGE_BUILD)

fuzz:
	CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) $(CMAKE_FLAGS) -DQM_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD)
	./scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench:
	@./scripts/install-deps bench
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_FLAGS) -DQM_BENCH=ON -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD)
	./scripts/run-bench $(BENCH_BUILD)

screenshot:
	@./scripts/install-deps test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD)
	./scripts/screenshot $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(PACKAGE_BUILD)
