# Entry points for people and CI. Every target installs what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
COVERAGE_BUILD ?= build-coverage
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60

.PHONY: all deps build test sanitize tsan coverage demo fuzz bench format clean package \
        check-package fleet-demo

# The tests whose code runs on two threads: the update stages beside the progress display,
# the progress display itself, and the host events; the description reader, whose handler
# runs beside the parser; and the simulated target's threads sharing the targets they have
# read.
TSAN_TESTS = tests/update/update_stage_tests tests/reporting/reporting_progress_tests \
             tests/description/description_parallel_parse_tests \
             tests/description/description_reader_tests
TSAN_SIM_TESTS = tests/platform/sim/platform_sim_tests

all: build

deps:
	@sh scripts/install-deps.sh

# Installed (cmake --install, make package) the way Debian lays files out, under /usr.
build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVK_SANITIZE=ON -DVK_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVK_TSAN=ON -DVK_BUILD_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(notdir $(TSAN_TESTS) $(TSAN_SIM_TESTS))
	for t in $(TSAN_TESTS); do \
	    VK_SIM_TIME_SCALE=0 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	        $(TSAN_BUILD)/$$t --gtest_brief=1 || exit 1; \
	done
	VK_SIM_TIME_SCALE=0 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	    $(TSAN_BUILD)/$(TSAN_SIM_TESTS) --gtest_brief=1 --gtest_filter='TargetCacheTest.*'

# Line and branch coverage of src/ and platform/ by every test, unit and end-to-end; the
# report is printed and written as HTML to $(COVERAGE_BUILD)/coverage/index.html. Updaters
# killed on purpose by the tests leave counters gcov prints as "taken -1"; those lines are
# passed over instead of ending the report.
coverage:
	@sh scripts/install-deps.sh gcovr
	cmake -S . -B $(COVERAGE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVK_COVERAGE=ON -DVK_BUILD_BENCH=OFF
	cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	ctest --test-dir $(COVERAGE_BUILD) --output-on-failure -j $(JOBS)
	mkdir -p $(COVERAGE_BUILD)/coverage
	gcovr --root . --filter 'src/' --filter 'platform/' --exclude-unreachable-branches \
	    --exclude-throw-branches --gcov-ignore-parse-errors --print-summary \
	    --txt $(COVERAGE_BUILD)/coverage/summary.txt \
	    --html-details $(COVERAGE_BUILD)/coverage/index.html $(COVERAGE_BUILD)

demo: build
	sh scripts/demo.sh $(BUILD)

# Debian packages in $(BUILD): the runtime library, its -dev package and the tools.
package: build
	cd $(BUILD) && cpack

# The install tree, a host built against it, the packages and the manual pages.
check-package: build
	sh scripts/check-package.sh $(BUILD)

fleet-demo: build
	@sh scripts/install-deps.sh ansible-core
	sh scripts/fleet-demo.sh $(BUILD)

fuzz:
	@sh scripts/install-deps.sh clang libclang-rt-14-dev
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVK_FUZZ=ON -DVK_BUILD_TESTS=OFF -DVK_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_inventory_reader
	sh scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	sh scripts/run-bench.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(COVERAGE_BUILD)
