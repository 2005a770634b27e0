# The two commands of the README. Both install what they need first.
#   make test            build both trees and run every test
#   make run [ARGS=/c]   build and start the saver (default switch /s)
#   make bench           build and run the benchmarks
#   make dist            build build/dist/velthra-VERSION-win64.zip
ARGS ?= /s

.PHONY: test run bench fuzz native win dist clean

test:
	@scripts/test.sh

run: win
	@scripts/run.sh $(ARGS)

bench:
	@scripts/bootstrap.sh
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
	@scripts/bootstrap.sh
	@scripts/configure.sh win && cmake --build build/win --target dist

clean:
	rm -rf build
