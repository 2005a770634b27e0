# The two commands of the README. Both install what they need first.
#   make test            build both trees and run every test
#   make run [ARGS=/c]   build and start the saver (default switch /s)
#   make bench           build and run the benchmarks
#   make dist            build build/dist/velthra-VERSION-win64.zip and -x64.msi
#                        (signed with SIGN_PFX=FILE SIGN_PASSWORD=PW [SIGN_TIMESTAMP_URL=URL]),
#                        and winget manifests in build/dist/winget/ [WINGET_URL=download URL of the .msi]
#   make linux           build build/linux/velthra, the native X11 program
#   make run-linux [LINUX_ARGS=--fullscreen]  start it in a window on $DISPLAY
#   make deb             build build/dist/velthra_VERSION_ARCH.deb
#   make test-shuffle    make test three times, every GoogleTest program in shuffled order
#   make test-alone      every GoogleTest case on its own (after make test)
ARGS ?= /s

.PHONY: test test-shuffle test-alone run bench fuzz native win dist linux run-linux deb clean

test:
	@scripts/test.sh

# GoogleTest reads GTEST_SHUFFLE and GTEST_RANDOM_SEED from the environment,
# also under Wine, so every program of every tree runs in a shuffled order.
test-shuffle:
	@status=0; for seed in 1 2 3; do \
	  echo "== seed $$seed"; \
	  GTEST_SHUFFLE=1 GTEST_RANDOM_SEED=$$seed scripts/test.sh || status=1; \
	done; exit $$status

# Each case in a process of its own; the Windows cases in two Wine sessions
# side by side, split as in make test.
test-alone:
	@scripts/test-alone.py build/native
	@export VELTHRA_BUILD_DIR=$$PWD/build/win; status=0; \
	  scripts/wine-session.sh scripts/test-alone.py build/win --not-label session2 >build/alone-1.log 2>&1 & first=$$!; \
	  scripts/wine-session.sh --prefix $$PWD/build/win/wineprefix-2 scripts/test-alone.py build/win --label session2 \
	    >build/alone-2.log 2>&1 || status=1; \
	  wait $$first || status=1; cat build/alone-1.log build/alone-2.log; exit $$status

run: win
	@scripts/run.sh $(ARGS)

bench:
	@scripts/bootstrap.sh --bench
	@scripts/configure.sh bench && cmake --build build/bench && scripts/bench.sh

fuzz:
	@scripts/bootstrap.sh
	@scripts/configure.sh fuzz && cmake --build build/fuzz

native:
	@scripts/bootstrap.sh
	@scripts/configure.sh native && cmake --build build/native

win:
	@scripts/bootstrap.sh
	@scripts/configure.sh win && cmake --build build/win

dist:
	@scripts/bootstrap.sh --dist
	@scripts/configure.sh win && cmake --build build/win --target dist

linux:
	@scripts/bootstrap.sh --linux
	@scripts/configure.sh linux && nice cmake --build build/linux

run-linux: linux
	@build/linux/velthra $(LINUX_ARGS)

deb:
	@scripts/bootstrap.sh --linux
	@scripts/configure.sh linux && nice cmake --build build/linux --target deb

clean:
	rm -rf build
