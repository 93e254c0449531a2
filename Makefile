# The front door: `make demo` and `make test` work on a fresh Debian 12 machine.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: deps configure build test test-sanitize test-tsan demo bench fuzz format clean

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Warnings are errors here, as in CI.
test: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300

# The tests that need no window, under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_ASAN=ON -DQUILLMERE_GUI=OFF -DQUILLMERE_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ctest --output-on-failure -j$(JOBS) -LE gui --timeout 600

test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_TSAN=ON -DQUILLMERE_GUI=OFF -DQUILLMERE_BENCH=OFF
	cmake --build build-tsan -j$(JOBS)
	cd build-tsan && ctest --output-on-failure -j$(JOBS) -LE gui --timeout 600

demo: build
	./scripts/run-demo $(BUILD)

bench: build
	./scripts/run-bench $(BUILD)

fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
	  -DQUILLMERE_FUZZ=ON -DQUILLMERE_GUI=OFF -DQUILLMERE_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS) --target fuzz_extract fuzz_replace
	./scripts/run-fuzz build-fuzz

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
