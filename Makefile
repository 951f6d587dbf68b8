BUILD ?= build
JOBS ?= $(shell nproc)
# Each tree's build may start new jobs only while the machine's load is below this, so the three
# trees built side by side share the processors instead of tripling their load.
LOAD ?= $(JOBS)

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

# The communications tests under ThreadSanitizer, and the communications, data, graph and window
# tests (offscreen) under AddressSanitizer+UBSan, each in a build directory of its own.
SAN_thread_TARGETS = comms_tests
SAN_address_TARGETS = comms_tests data_tests graph_tests app_tests

.PHONY: build-plain build-thread build-address configure-sanitize
configure-sanitize: setup
	@for s in thread address; do \
	  cmake -S . -B build-$$s -G Ninja -DQWL_SANITIZE=$$s -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1; \
	done

build-plain:
	@cmake --build $(BUILD) -j $(JOBS) -- -l $(LOAD)
build-thread build-address: build-%:
	@cmake --build build-$* -j $(JOBS) --target $(SAN_$*_TARGETS) -- -l $(LOAD)

define run_sanitized
cd build-$(1) && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp \
  ctest -E '_NOT_BUILT$$' -j $(JOBS) --output-on-failure --timeout 300
endef

sanitize: configure-sanitize
	@$(MAKE) --no-print-directory -j 2 build-thread build-address
	@$(call run_sanitized,thread)
	@$(call run_sanitized,address)

# The three trees build side by side; the sanitizer runs come first so that the whole suite's
# summary closes the output.
test: configure configure-sanitize
	@$(MAKE) --no-print-directory -j 3 build-plain build-thread build-address
	@$(call run_sanitized,thread)
	@$(call run_sanitized,address)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

bench: build
	cmake --build $(BUILD) --target bench -j $(JOBS)
	$(BUILD)/bench/qwlbench

clean:
	rm -rf $(BUILD) build-thread build-address
