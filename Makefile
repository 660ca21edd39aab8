# The two commands of the README, and a few more for developers.
PRESET ?= dev
BUILD := build/$(PRESET)
JOBS ?= $(shell nproc)
# More -D options for cmake's configure step, e.g. CMAKE_ARGS=-DKADREL_WERROR=ON.
CMAKE_ARGS ?=

.PHONY: run build test asan release bench screenshots format format-check deps clean package install uninstall

# The program alone (the run preset: optimised, no tests, warnings not errors), so that a newer
# compiler's new warnings cannot stop a first start; make test keeps warnings as errors.
run: deps
	cmake --preset run $(CMAKE_ARGS) >/dev/null
	cmake --build build/run -j $(JOBS) --target kadrel
	build/run/src/app/kadrel

deps:
	scripts/install-deps

build: deps
	cmake --preset $(PRESET) $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

asan:
	$(MAKE) test PRESET=asan

release:
	$(MAKE) build PRESET=release

bench: release
	scripts/run-bench

# Retakes the README's pictures in docs/ (tools/screenshots, under Xvfb).
screenshots: deps
	cmake --preset dev $(CMAKE_ARGS) >/dev/null
	cmake --build build/dev -j $(JOBS) --target screenshots
	scripts/take-screenshots

# A Debian package (build/package/kadrel_VERSION_ARCH.deb), or an install from source under PREFIX.
PREFIX ?= /usr/local
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

package: deps
	cmake --preset package $(CMAKE_ARGS) >/dev/null
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack
	@ls build/package/kadrel_*.deb

install: deps
	cmake --preset package -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_ARGS) >/dev/null
	cmake --build build/package -j $(JOBS)
	$(SUDO) cmake --install build/package
	cp build/package/install_manifest.txt build/package/installed-files.txt
	-$(SUDO) update-desktop-database -q $(PREFIX)/share/applications 2>/dev/null

# Removes what make install put in place; cpack's own list (install_manifest.txt) names the
# package's files, which are not ours to delete.
uninstall:
	@test -f build/package/installed-files.txt || { echo "make uninstall: nothing was installed from build/package"; exit 1; }
	xargs -r -d '\n' $(SUDO) rm -f < build/package/installed-files.txt
	-$(SUDO) update-desktop-database -q $(PREFIX)/share/applications 2>/dev/null
	rm -f build/package/installed-files.txt

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build
