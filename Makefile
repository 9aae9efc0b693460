# make run: install what is missing, build, and start the show.
# make test: install what is missing, build (the browser build too), and run
#   every test.
# make web: build the show for the browser into WEB_BUILD (build-web), from
#   the same sources, with the data of the native build.
#   SITE_URL=https://.../ gives the page's tags for shared links absolute
#   addresses (relative without it).
# make serve-web: make web, then serve it on http://127.0.0.1:8080/ (PORT=...),
#   each file compressed with Brotli or gzip where the browser accepts it.
# make bench-web: each scene's frame time in Chromium against the native
#   figure, and the size of what a viewer downloads.
# make lighthouse-web: Lighthouse's scores for the page, mobile and desktop,
#   on make serve-web's server and on a plain one (a measurement, not a test).
# make install [PREFIX=/usr/local] [DESTDIR=...]: build, then install the
#   programs, their data, the menu entry, icons and manual pages.
# make deb: build, then make BUILD/peekstun_VERSION_ARCH.deb from that build.
# make check-sync [SERVERS="pulse pipewire"] [OUTPUTS="0 1 sdl"] [LOAD=no|yes|both]
#   [INTRUDER=no|yes|both] [MOVES=yes|no] [SYNC_RUNS=3] [SYNC_SECONDS=40]: how far
#   the beat pulses on screen are from the hits heard, and how soon the
#   player's moves are heard, measured from outside the show on private sound
#   servers as they are installed and a private display, for each sound
#   output; fails beyond its budget (docs/sync.md). Not part of make test.
# make fuzz SECONDS=N: build the fuzz targets (the picture readers and the
#   music layer's module loading) with clang, ASan and UBSan, and run each
#   for N seconds.
BUILD ?= build
WEB_BUILD ?= build-web
JOBS ?= $(shell nproc)
FUZZ_BUILD ?= build-fuzz
SECONDS ?= 60
PREFIX ?= /usr/local
SERVERS ?= pulse pipewire
OUTPUTS ?= 0 1 sdl
LOAD ?= no
INTRUDER ?= both
MOVES ?= yes
SYNC_SECONDS ?= 40
SYNC_RUNS ?= 3
SITE_URL ?=

.PHONY: all deps configure build run test web web-deps serve-web bench-web lighthouse-web install deb check-sanitize check-arm check-sync fuzz clean

all: build

deps:
	scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD) && ./peekstun

test: build web
	scripts/run-tests.sh $(BUILD)

# Debian's emcc finds its JavaScript parser only through NODE_PATH.
EMSCRIPTEN_ENV = NODE_PATH=/usr/share/nodejs
web: build web-deps
	$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release \
		-DPEEKSTUN_WEB_DATA=$(abspath $(BUILD)) -DPEEKSTUN_SITE_URL=$(SITE_URL)
	$(EMSCRIPTEN_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)

# The page's test driver (puppeteer-core), from the committed lock file.
web-deps: deps
	cd web && npm ci --no-audit --no-fund --loglevel=error

serve-web: web
	node web/serve-web.mjs $(WEB_BUILD)

bench-web: web
	node bench/web_vs_native.mjs $(WEB_BUILD) $(BUILD)

lighthouse-web: web
	node bench/lighthouse.mjs $(WEB_BUILD)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# CPack packages the build just made, installed with the prefix /usr.
deb: build
	cd $(BUILD) && cpack -G DEB

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPEEKSTUN_SANITIZE=ON -DPEEKSTUN_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --target fuzz_pcx_reader fuzz_tga_reader fuzz_module_reader -j $(JOBS)
	fuzz/run.sh $(FUZZ_BUILD) $(SECONDS)

# The whole test suite and a whole-show render at a low frame rate with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the music layer's
# position reading with ThreadSanitizer. SDL draws with its software renderer
# here: a GL driver is unloaded before leaks are reported, so its own could
# not be told from ours. Leaks inside the system's font, bus and GLib
# libraries are suppressed (scripts/lsan.supp).
SANITIZE_ENV = LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
# The tests whose sound is mixed on a thread of its own: live outputs, mixing
# ahead offline, and whole offline and silent shows.
TSAN_TESTS = music_live_test audio_mix_ahead_test music_offline_test short_song_test
check-sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPEEKSTUN_SANITIZE=ON
	cmake --build $(BUILD)-asan -j $(JOBS)
	$(SANITIZE_ENV) scripts/run-tests.sh $(BUILD)-asan
	cd $(BUILD)-asan && $(SANITIZE_ENV) ./peekstun-render --quiet --fps 5
	cmake -S . -B $(BUILD)-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPEEKSTUN_TSAN=ON
	cmake --build $(BUILD)-tsan -j $(JOBS) --target $(TSAN_TESTS)
	for test in $(TSAN_TESTS); do \
		TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/scripts/tsan.supp" SDL_AUDIODRIVER=dummy \
			$(BUILD)-tsan/tests/$$test || exit 1; \
	done

# Cross-built for 64-bit ARM and run here under qemu-user: the effect, pixel
# and picture tests, the golden frames and a whole-show render must give the
# same results as on x86-64. data/ is painted by this machine's own forge.
# First the golden frames here with glibc's plain x86-64 math code, as on
# processors without FMA (its results differ in the last bit of some values).
ARM_BUILD ?= build-arm
# qemu-user stalls threads that hand work to each other through condition
# variables (even a plain two-thread queue never finishes under it), so the
# emulated renders mix the song within each frame, and the renderer's own
# tests, whose file writers run on threads, are left to the native run.
ARM_RUN = PEEKSTUN_NO_MIX_THREAD=1 qemu-aarch64 -L /usr/aarch64-linux-gnu
ARM_TESTS = TunnelAngle_test TunnelSample_test c2DTunnel_test c3DTunnel_test cBinaryBg_test cBitmap_test cEffect_test \
	cFade_test cFlower_test cGrid_test cMatrixColumn_test cMatrixWriter_test cPlasma_test cRandomDots_test \
	cStatic_test showRandom_test simd_test ptc_pixels_test ptc_format_test ptc_surface_test palettes_test \
	pcx_reader_test tga_reader_test tables_test golden_frames_test
check-arm: deps
	scripts/install-deps.sh --arm
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target peekstun-forge golden_frames_test
	GLIBC_TUNABLES=glibc.cpu.hwcaps=-FMA,-AVX2 $(BUILD)/tests/golden_frames_test --gtest_brief=1
	cmake -S . -B $(ARM_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPEEKSTUN_BENCH=OFF \
		-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DPEEKSTUN_HOST_FORGE=$(CURDIR)/$(BUILD)/peekstun-forge
	cmake --build $(ARM_BUILD) -j $(JOBS) --target $(ARM_TESTS) peekstun-render
	cd $(ARM_BUILD) && for test in $(ARM_TESTS); do \
		echo "== $$test (aarch64)"; SDL_AUDIODRIVER=dummy $(ARM_RUN) tests/$$test --gtest_brief=1 || exit 1; done
	cd $(ARM_BUILD) && $(ARM_RUN) ./peekstun-render --quiet --fps 5

check-sync: deps
	scripts/install-deps.sh --sync
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target peekstun data peekstun-sync-meter
	scripts/check-sync.sh --build $(BUILD) --servers "$(SERVERS)" --outputs "$(OUTPUTS)" --load $(LOAD) \
		--intruder $(INTRUDER) --moves $(MOVES) --runs $(SYNC_RUNS) --seconds $(SYNC_SECONDS)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(ARM_BUILD) $(WEB_BUILD)
