BUILD ?= build
JOBS ?= $(shell nproc)
# make test and make sanitize fail on any compiler warning. make run builds with warnings as
# warnings: a newer compiler's new warning must not keep anyone from running the program.
# Switching between the two recompiles the plain tree once, mostly from the compiler cache.
WERROR ?= OFF
test sanitize: WERROR = ON

.PHONY: all setup configure build run test bench clean sanitize

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQWL_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/qwlview

# The communications tests under ThreadSanitizer, and every test binary (the windows offscreen)
# under AddressSanitizer+UBSan, each in a build directory of its own.
SAN_thread_TARGETS = comms_tests
SAN_address_TARGETS = comms_tests comms_widgets_tests data_tests graph_tests app_tests device_tests platform_tests

.PHONY: build-plain build-thread build-address configure-sanitize
configure-sanitize: setup
	@for s in thread address; do \
	  cmake -S . -B build-$$s -G Ninja -DQWL_SANITIZE=$$s -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQWL_WERROR=$(WERROR) >/dev/null || exit 1; \
	done

# The trees build side by side, each with the machine's parallelism: one tree alone leaves
# processors idle while it links, and a batch of eight files needs under half a gigabyte.
build-plain:
	@cmake --build $(BUILD) -j $(JOBS)
build-thread build-address: build-%:
	@cmake --build build-$* -j $(JOBS) --target $(SAN_$*_TARGETS)

# The two sanitizer suites run side by side, as most of their time is spent waiting on sockets
# and timers, each one's output printed whole when it ends; then the whole suite alone, whose
# window tests wait on timers that a machine loaded by all three stretches too far.
.PHONY: suite-plain suite-thread suite-address
suite-plain:
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300
suite-thread suite-address: suite-%:
	@cd build-$* && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp \
	  ctest -E '_NOT_BUILT$$' -j $(JOBS) --output-on-failure --timeout 300

sanitize: configure-sanitize
	@$(MAKE) --no-print-directory -j 2 build-thread build-address
	@$(MAKE) --no-print-directory -j 2 --output-sync=target suite-thread suite-address

test: configure configure-sanitize
	@$(MAKE) --no-print-directory -j 3 build-plain build-thread build-address
	@$(MAKE) --no-print-directory -j 2 --output-sync=target suite-thread suite-address
	@$(MAKE) --no-print-directory suite-plain

bench: build
	cmake --build $(BUILD) --target bench -j $(JOBS)
	$(BUILD)/bench/qwlbench

clean:
	rm -rf $(BUILD) build-thread build-address
