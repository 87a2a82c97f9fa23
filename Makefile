# Wraps CMake: `make demo` plots the demo recording, `make test` runs every test twice,
# once plain and once under AddressSanitizer and UndefinedBehaviorSanitizer.
JOBS ?= 2
BUILD ?= build
ASAN ?= build-asan

.PHONY: setup build demo test test-plain test-asan bench fuzz readme-picture clean

setup:
	sh tools/setup.sh

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	sh tools/demo.sh $(BUILD)

test: test-plain test-asan

test-plain: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

test-asan: setup
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DKAVREL_SANITIZE=ON >/dev/null
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=0 ctest -j $(JOBS) --output-on-failure

bench: setup
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKAVREL_BENCH=ON >/dev/null
	cmake --build build-bench -j $(JOBS)
	sh bench/run.sh build-bench

# Builds both fuzz targets with clang and runs each for FUZZTIME seconds (not part of make test);
# new inputs gather in build-fuzz/, findings are written there as crash-* and timeout-* files.
FUZZTIME ?= 60
fuzz: setup
	cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target sdinput_fuzz spcfile_fuzz
	mkdir -p build-fuzz/sd-corpus build-fuzz/spc-corpus
	cd build-fuzz && ./sdinput_fuzz -max_total_time=$(FUZZTIME) sd-corpus
	cd build-fuzz && ./spcfile_fuzz -max_total_time=$(FUZZTIME) -timeout=10 \
		-dict=../tests/fuzz/spc.dict spc-corpus ../tests/fuzz/spc-seeds

readme-picture: demo
	cp demo.png examples/demo.png
	cp demo-screen.png examples/demo-screen.png

clean:
	rm -rf $(BUILD) $(ASAN) build-bench build-fuzz
	rm -f demo.wav demo.eps demo.png demo.emf demo-screen.png demo.pdf demo.svg demo-*.svg
