# make run: install what is missing, build, and start the show.
# make test: install what is missing, build, and run every test.
# make fuzz SECONDS=N: build the picture readers' fuzz targets with clang,
#   ASan and UBSan, and run each for N seconds.
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_BUILD ?= build-fuzz
SECONDS ?= 60

.PHONY: all deps configure build run test fuzz clean

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

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPEEKSTUN_SANITIZE=ON -DPEEKSTUN_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --target fuzz_pcx_reader fuzz_tga_reader -j $(JOBS)
	fuzz/run.sh $(FUZZ_BUILD) $(SECONDS)

clean:
	rm -rf $(BUILD)
