# Front door for a new machine: every target installs what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-bench
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local
CMAKE_FLAGS = -G Ninja -Wno-dev

.PHONY: all deps build run install uninstall test test-plain test-asan fuzz bench screenshot format clean

all: build

deps:
	@./scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD)

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

test: deps test-plain test-asan fuzz

test-plain:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD)
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j2

test-asan:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DQM_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN_BUILD)
	QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir $(ASAN_BUILD) --output-on-failure -j2

fuzz:
	CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) $(CMAKE_FLAGS) -DQM_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD)
	./scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_FLAGS) -DQM_BENCH=ON -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD)
	./scripts/run-bench $(BENCH_BUILD)

screenshot: build
	./scripts/screenshot $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
