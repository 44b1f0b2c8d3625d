# Entry points: `make run`, `make test`, `make bench`, `make demo`. Each installs what it needs first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
# CI builds with warnings as errors.
WERROR ?= $(if $(CI),ON,OFF)

.PHONY: all deps configure build run test bench demo clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUILLBOX_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	@if [ -z "$$DISPLAY" ]; then \
		echo "make run needs an X11 desktop (DISPLAY is not set); 'make demo' shows the panel under Xvfb instead" >&2; \
		exit 1; \
	fi
	@$(BUILD_DIR)/quillbox

test: build
	@scripts/with-runtime-dir ctest --test-dir $(BUILD_DIR) --output-on-failure

bench: build
	@scripts/with-runtime-dir scripts/bench $(BUILD_DIR)

demo: build
	@scripts/demo $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
