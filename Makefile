# Two commands do the whole set-up on a fresh Debian 12 machine:
#   make run    start the receiver on the built-in simulated card
#   make test   build everything (normal, ASan+UBSan, TSan, fuzz) and run every test

SHELL := /bin/bash
JOBS  ?= $(shell nproc)
BUILD ?= build

PACKAGES := cmake ninja-build g++ clang libclang-rt-14-dev pkg-config \
            libgtest-dev libgmock-dev libbenchmark-dev \
            libdvbpsi-dev nlohmann-json3-dev libpcap-dev libsqlite3-dev \
            qt6-base-dev libcli11-dev dtv-scan-tables scdoc dbus-daemon libsystemd-dev \
            debhelper dpkg-dev systemd-container desktop-file-utils man-db \
            iproute2 procps \
            xvfb trayer xdotool imagemagick

# A compiler cache speeds up rebuilds where one is installed; builds do not need it.
LAUNCHER  := $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CONFIGURE = cmake -S . -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)
# The fuzz build instruments everything the targets link, so libFuzzer sees coverage.
FUZZ_FLAGS = -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer

.PHONY: all deps build build-asan build-tsan build-fuzz test test-normal test-asan test-tsan fuzz run bench install package clean

all: build

# Installs only what is missing, so a second run is quick and needs no network.
deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  if [ "$$(id -u)" -ne 0 ]; then SUDO=sudo; fi; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/normal/build.ninja: | deps
	$(CONFIGURE) -B $(BUILD)/normal
$(BUILD)/asan/build.ninja: | deps
	$(CONFIGURE) -B $(BUILD)/asan -DCV7_SANITIZE=address -DCV7_BENCH=OFF
$(BUILD)/tsan/build.ninja: | deps
	$(CONFIGURE) -B $(BUILD)/tsan -DCV7_SANITIZE=thread -DCV7_BENCH=OFF
$(BUILD)/fuzz/build.ninja: | deps
	CC=clang CXX=clang++ $(CONFIGURE) -B $(BUILD)/fuzz -DCV7_FUZZ=ON -DCV7_BENCH=OFF \
	  "-DCMAKE_C_FLAGS=$(FUZZ_FLAGS)" "-DCMAKE_CXX_FLAGS=$(FUZZ_FLAGS)" \
	  "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"

build: deps $(BUILD)/normal/build.ninja
	cmake --build $(BUILD)/normal -j $(JOBS)
build-asan: deps $(BUILD)/asan/build.ninja
	cmake --build $(BUILD)/asan -j $(JOBS)
build-tsan: deps $(BUILD)/tsan/build.ninja
	cmake --build $(BUILD)/tsan -j $(JOBS)
build-fuzz: deps $(BUILD)/fuzz/build.ninja
	cmake --build $(BUILD)/fuzz -j $(JOBS) --target fuzz-all

CTEST = ctest --output-on-failure -j $(JOBS) --timeout 300

test-normal: build
	cd $(BUILD)/normal && $(CTEST)
test-asan: build-asan
	cd $(BUILD)/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 $(CTEST)
test-tsan: build-tsan
	cd $(BUILD)/tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan-suppressions.txt $(CTEST)
fuzz: build-fuzz
	FUZZ_SECONDS=$${FUZZ_SECONDS:-20} ./fuzz/run-all.sh $(BUILD)/fuzz

test: test-normal test-asan test-tsan fuzz
	@echo "All test builds passed."

run: build
	./tools/run-receiver.sh $(BUILD)/normal

bench: build
	./bench/run-all.sh $(BUILD)/normal

# Installs the normal build below /usr (DESTDIR=/some/root for a staged install); then
# systemd-sysusers, systemd-tmpfiles --create cv7.conf and systemctl enable --now cv7 (README).
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD)/normal

# The Debian packages, from the normal build, into $(BUILD)/packages.
package: build
	./packaging/make-packages.sh $(BUILD)/normal $(BUILD)/packages

clean:
	rm -rf $(BUILD)
