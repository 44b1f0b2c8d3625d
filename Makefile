# Entry points: `make run`, `make test`, `make bench`, `make demo`. Each installs what it needs first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
# CI builds with warnings as errors.
WERROR ?= $(if $(CI),ON,OFF)

# `make install PREFIX=/opt/quillbox`; DESTDIR stages the tree elsewhere, as packagers do.
PREFIX ?= /usr/local

.PHONY: all deps test-deps configure build run test bench demo install deb clean

# The tests, benchmarks and demo read the program's English texts, whatever the desktop's language.
test bench demo deb: export LANGUAGE := en

all: build

deps:
	@scripts/install-deps

# What the tests, benchmarks and demo add; never installed by `make run`.
test-deps:
	@scripts/install-deps --test

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUILLBOX_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "make run needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set); 'make demo' shows the panel under Xvfb instead" >&2; \
		exit 1; \
	fi
	@$(BUILD_DIR)/quillbox

test: test-deps build
	@scripts/with-runtime-dir ctest --test-dir $(BUILD_DIR) --output-on-failure

bench: test-deps build
	@scripts/with-runtime-dir scripts/bench $(BUILD_DIR)

demo: test-deps build
	@scripts/demo $(BUILD_DIR)

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# The Depends are what the program loads when it runs (tests/integration/test_runtime_packages.sh).
deb: test-deps build
	@QUILLBOX_BINARY=$(abspath $(BUILD_DIR))/quillbox QUILLBOX_SOURCE_DIR=$(CURDIR) QT_QPA_PLATFORM=xcb \
		QUILLBOX_PACKAGES_OUT=$(abspath $(BUILD_DIR))/runtime-packages.txt \
		scripts/with-runtime-dir scripts/xsession --tray -- tests/integration/test_runtime_packages.sh
	@rm -f $(BUILD_DIR)/quillbox_*.deb
	@cd $(BUILD_DIR) && cpack -G DEB >/dev/null
	@lintian --fail-on error $(BUILD_DIR)/quillbox_*.deb
	@ls $(BUILD_DIR)/quillbox_*.deb

clean:
	rm -rf $(BUILD_DIR)
