# The two commands of the README, and the Windows artifact.
#   make demo   runs the setup program on the bundled sample product
#   make test   builds everything (host and Windows) and runs every test,
#               SETUP.EXE under Wine included (make test WINE=0 leaves it out)
#   make dist   cross-compiles dist/SETUP.EXE
#   make fuzz   runs each fuzz target for FUZZ_SECONDS and grows its corpus

HOST_PACKAGES := cmake make g++ pkg-config libgtest-dev libgmock-dev libncurses-dev python3 tmux
WINDOWS_PACKAGES := g++-mingw-w64-i686 binutils-mingw-w64-i686
FUZZ_PACKAGES := cmake make clang libclang-rt-14-dev libncurses-dev
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := profile registry script link wininit settings
JOBS := $(shell nproc 2>/dev/null || echo 2)
WINE ?= 1

.PHONY: demo test dist fuzz host-deps windows-deps fuzz-deps wine-deps automation host-tests-windows bench clean

host-deps:
	@tools/scripts/ensure-packages.sh $(HOST_PACKAGES)

windows-deps:
	@tools/scripts/ensure-packages.sh $(WINDOWS_PACKAGES)

fuzz-deps:
	@tools/scripts/ensure-packages.sh $(FUZZ_PACKAGES)

# Wine (32-bit, through the i386 architecture), Xvfb and the ja_JP.UTF-8 locale.
wine-deps: windows-deps
	@tools/scripts/ensure-wine.sh

# AUTOMATE.EXE, the program that drives SETUP.EXE in the Wine stage.
automation: windows-deps
	cmake -S tools/automation -B build/windows-tools -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake
	cmake --build build/windows-tools -j$(JOBS)

# HOSTTESTS.EXE, the host layer's tests built for Windows, run under Wine.
host-tests-windows: windows-deps
	@tools/scripts/ensure-packages.sh googletest g++-mingw-w64-i686-posix
	cmake -S tests/windows/host_tests -B build/windows-host-tests \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/tests/windows/host_tests/mingw-i686-posix.cmake
	cmake --build build/windows-host-tests -j$(JOBS)

ifeq ($(WINE),1)
WINE_STAGE := wine-deps automation host-tests-windows
WINE_FLAGS := -DSETUP_WINE=ON -DAUTOMATE_EXE=$(CURDIR)/build/windows-tools/AUTOMATE.EXE \
              -DHOSTTESTS_EXE=$(CURDIR)/build/windows-host-tests/HOSTTESTS.EXE
else
WINE_STAGE :=
WINE_FLAGS := -DSETUP_WINE=OFF
endif

dist: windows-deps
	cmake --preset windows
	cmake --build build/windows -j$(JOBS)
	mkdir -p dist
	cp build/windows/SETUP.EXE dist/SETUP.EXE
	@echo "dist/SETUP.EXE"

test: host-deps dist $(WINE_STAGE)
	cmake --preset host -DSETUP_EXE=$(CURDIR)/dist/SETUP.EXE $(WINE_FLAGS)
	cmake --build build/host -j$(JOBS)
	ctest --preset host -j$(JOBS)

demo: host-deps
	cmake --preset host-release
	cmake --build build/host-release -j$(JOBS) --target winbox
	examples/demo.sh build/host-release/winbox

# The fuzz targets (tests/fuzz), built with clang and libFuzzer, one at a time.
fuzz: fuzz-deps
	cmake --preset fuzz
	cmake --build build/fuzz -j$(JOBS)
	tools/scripts/run-fuzzers.sh build/fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

bench: host-deps
	cmake --preset host-release
	cmake --build build/host-release -j$(JOBS) --target load_settings_bench install_remove_bench copy_files_bench
	build/host-release/bench/load_settings_bench
	build/host-release/bench/install_remove_bench
	build/host-release/bench/copy_files_bench

clean:
	rm -rf build dist
