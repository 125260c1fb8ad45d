# The project's commands; each one calls a script under scripts/.
.PHONY: test native asan win32 run build bench fuzz dist clean

test:
	@scripts/test.sh

# One suite of make test alone.
native asan win32:
	@scripts/test.sh $@

run:
	@scripts/run.sh

build:
	@scripts/build.sh

bench:
	@scripts/bench.sh

dist:
	@scripts/dist.sh

fuzz:
	@scripts/fuzz.sh $(or $(FUZZ_SECONDS),600)

clean:
	rm -rf build
