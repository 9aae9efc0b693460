# make run: install what is missing, build, and start the show.
# make test: install what is missing, build, and run every test.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test clean

all: build

deps:
	scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD) && ./peekstun

test: build
	scripts/run-tests.sh $(BUILD)

clean:
	rm -rf $(BUILD)
