# Entry points: `make run`, `make test`, `make bench`. Each installs what it needs first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
# CI builds with warnings as errors.
WERROR ?= $(if $(CI),ON,OFF)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUILLBOX_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	@$(BUILD_DIR)/quillbox

test: build
	@scripts/with-runtime-dir ctest --test-dir $(BUILD_DIR) --output-on-failure

bench: build
	@scripts/with-runtime-dir scripts/bench $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
