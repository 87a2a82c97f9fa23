# Wraps CMake: `make demo` plots the demo recording, `make test` runs every test twice,
# once plain and once under AddressSanitizer and UndefinedBehaviorSanitizer.
JOBS ?= 2
BUILD ?= build
ASAN ?= build-asan

.PHONY: setup build demo test test-plain test-asan bench readme-picture clean

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

readme-picture: demo
	cp demo.png examples/demo.png
	cp demo-screen.png examples/demo-screen.png

clean:
	rm -rf $(BUILD) $(ASAN) build-bench
	rm -f demo.wav demo.eps demo.png demo.emf demo-screen.png demo.pdf demo.svg demo-*.svg
