# The two commands of the README, and the Windows artifact.
#   make demo   runs the setup program on the bundled sample product
#   make test   builds everything (host and Windows) and runs every test
#   make dist   cross-compiles dist/SETUP.EXE

HOST_PACKAGES := cmake make g++ pkg-config libgtest-dev libgmock-dev libncurses-dev python3 tmux
WINDOWS_PACKAGES := g++-mingw-w64-i686 binutils-mingw-w64-i686
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: demo test dist host-deps windows-deps bench clean

host-deps:
	@tools/scripts/ensure-packages.sh $(HOST_PACKAGES)

windows-deps:
	@tools/scripts/ensure-packages.sh $(WINDOWS_PACKAGES)

dist: windows-deps
	cmake --preset windows
	cmake --build build/windows -j$(JOBS)
	mkdir -p dist
	cp build/windows/SETUP.EXE dist/SETUP.EXE
	@echo "dist/SETUP.EXE"

test: host-deps dist
	cmake --preset host -DSETUP_EXE=$(CURDIR)/dist/SETUP.EXE
	cmake --build build/host -j$(JOBS)
	ctest --preset host -j$(JOBS)

demo: host-deps
	cmake --preset host-release
	cmake --build build/host-release -j$(JOBS) --target winbox
	examples/demo.sh build/host-release/winbox

bench: host-deps
	cmake --preset host-release
	cmake --build build/host-release -j$(JOBS) --target load_settings_bench
	build/host-release/bench/load_settings_bench

clean:
	rm -rf build dist
