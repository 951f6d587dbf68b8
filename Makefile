BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run test bench clean sanitize

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/qwlview

# The sanitizer runs come first so that the whole suite's summary closes the output.
test: build sanitize
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

bench: build
	cmake --build $(BUILD) --target bench -j $(JOBS)
	$(BUILD)/bench/qwlbench

clean:
	rm -rf $(BUILD)

# The communications tests under ThreadSanitizer, and the communications, data and window
# tests (offscreen) under AddressSanitizer+UBSan, each in its own build directory.
.PHONY: sanitize
sanitize: setup
	@for s in thread address; do \
	  targets=comms_tests; [ $$s = address ] && targets="comms_tests data_tests app_tests"; \
	  cmake -S . -B build-$$s -G Ninja -DQWL_SANITIZE=$$s -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && \
	  cmake --build build-$$s -j $(JOBS) --target $$targets && \
	  (cd build-$$s && TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp ctest -E '_NOT_BUILT$$' -j 4 --output-on-failure --timeout 300) || exit 1; \
	done
