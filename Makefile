# Front door.  `make demo` runs the tool on the sample project and plans a
# generated field campaign; `make test` builds every configuration and runs
# every test.  Both first install what a fresh Debian 12 machine is missing
# for that job (scripts/setup.sh, a no-op when all is there): the demo only
# the x86-64 build's packages, the tests everything.

CONFIGURATIONS := linux linux-i386 windows-i686 sanitize
JOBS ?= $(shell nproc)
WERROR ?= ON

BUILDS := $(addprefix build-,$(CONFIGURATIONS))
TESTS := $(addprefix test-,$(CONFIGURATIONS))

.PHONY: all setup setup-demo build build-demo test demo bench fuzz test-fuzz build-fuzz clean $(BUILDS) $(TESTS)

all: build

setup:
	@bash scripts/setup.sh test

setup-demo:
	@bash scripts/setup.sh demo

# Static pattern rules: make skips implicit rules for phony targets.
$(BUILDS): build-%: setup
	cmake --preset $* -DMIN_LUMO_WERROR=$(WERROR) >/dev/null
	cmake --build --preset $* -j $(JOBS)

$(TESTS): test-%: build-%
	ctest --preset $* -j $(JOBS)

build: $(BUILDS)

test: $(TESTS) test-fuzz
	@echo "make test: all configurations passed"

# The demo's own build: the library and the tool, no tests.
build-demo: setup-demo
	cmake --preset demo -DMIN_LUMO_WERROR=$(WERROR) >/dev/null
	cmake --build --preset demo -j $(JOBS)

demo: build-demo
	@bash scripts/demo.sh build/demo

bench: build-linux build-linux-i386
	@bash scripts/bench.sh

build-fuzz: setup
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

fuzz: build-fuzz
	@bash scripts/fuzz.sh long

test-fuzz: build-fuzz
	@bash scripts/fuzz.sh short

clean:
	rm -rf build
