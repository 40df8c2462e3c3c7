# The two commands of the README, plus development helpers.
.PHONY: run test bench fuzz format deb clean

run:
	@scripts/run.sh

test:
	@scripts/test.sh

bench:
	@scripts/bench.sh

fuzz:
	@scripts/fuzz.sh

deb:
	@scripts/package-deb.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
