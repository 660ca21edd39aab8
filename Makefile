# The two commands of the README, and a few more for developers.
PRESET ?= dev
BUILD := build/$(PRESET)
JOBS ?= $(shell nproc)

.PHONY: run build test asan release bench format format-check deps clean

run: build
	$(BUILD)/src/app/kadrel

deps:
	scripts/install-deps

build: deps
	cmake --preset $(PRESET) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

asan:
	$(MAKE) test PRESET=asan

release:
	$(MAKE) build PRESET=release

bench: release
	scripts/run-bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build
