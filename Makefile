# Front door.  `make demo` runs the tool on the sample project; `make test`
# builds every configuration and runs every test.  Both first install what a
# fresh Debian 12 machine is missing (scripts/setup.sh, a no-op when all is there).

CONFIGURATIONS := linux linux-i386 windows-i686 sanitize
JOBS ?= $(shell nproc)
WERROR ?= ON

.PHONY: all setup build test demo bench fuzz clean $(addprefix build-,$(CONFIGURATIONS)) $(addprefix test-,$(CONFIGURATIONS))

all: build

setup:
	@bash scripts/setup.sh

build-%: setup
	cmake --preset $* -DMIN_LUMO_WERROR=$(WERROR) >/dev/null
	cmake --build --preset $* -j $(JOBS)

test-%: build-%
	ctest --preset $* -j $(JOBS)

build: $(addprefix build-,$(CONFIGURATIONS))

test: $(addprefix test-,$(CONFIGURATIONS)) test-fuzz
	@echo "make test: all configurations passed"

demo: build-linux
	@bash scripts/demo.sh build/linux

bench: build-linux build-linux-i386
	@bash scripts/bench.sh

fuzz: setup
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	@bash scripts/fuzz.sh long

test-fuzz: setup
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	@bash scripts/fuzz.sh short

clean:
	rm -rf build
