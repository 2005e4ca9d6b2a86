# One-command entry points: `make run` and `make test` install what is missing,
# build, and run. Everything else is CMake.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
# Ninja always: scripts/install-deps installs it, and a build tree must not
# change generator between the first run and the next.
GENERATOR  := -G Ninja

# Tests and benchmarks need an X server; a virtual one when there is no display.
XRUN := scripts/with-display
# No test starts a sound server by asking for one.
# The tests run without the settings file of whoever runs them.
TEST_ENV := PULSE_CLIENTCONFIG=$(CURDIR)/tests/pulse-client.conf XDG_CONFIG_HOME=$(CURDIR)/tests/no-settings

.PHONY: all deps build run test test-asan test-tsan fuzz bench soak screenshots package clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# make run ARGS=~/Music plays a folder of your own.
run: build
	$(BUILD)/viz $(ARGS)

test: build
	$(TEST_ENV) $(XRUN) ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The same tests with AddressSanitizer and UndefinedBehaviorSanitizer. The
# sound-server tests run on PulseAudio alone here: what they check of ours is
# the client, the same on either server (PipeWire's run in `make test`). The
# offscreen render's pixels, the presets' shapes, the videos' sync, the
# folder render's processes and files and the whole program's timing against
# a sound server are judged in `make test` alone; their code runs here in the
# other renders, the video and command-line tests and the sound-server tests.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVIZ_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(TEST_ENV) ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(XRUN) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -E '_pipewire|e2e_render_offscreen|e2e_render_presets|e2e_render_sync|e2e_render_folder|e2e_sound_server|e2e_listen'

# The threads of the sound engine under ThreadSanitizer: the sound and
# playback tests, the video file's converting and encoding threads, whole
# sessions of the real program and a render. Mesa's
# software renderer races inside itself; that library alone is suppressed.
# Left out: the render sync test, whose threads are GStreamer's, whose locks
# ThreadSanitizer cannot see; the render safety and folder tests, which are
# about files and processes, not threads; the offscreen and presets tests,
# about pixels; the window manager's and screen saver's tests, whose work is
# on the main thread; listening, whose threads the sound-server tests run;
# the session test, whose program the sound-server one runs with a server's
# threads as well; the create-and-free cycles, which count memory and files;
# the PipeWire runs, as under ASan.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVIZ_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	$(TEST_ENV) TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  $(XRUN) ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -L 'audio|media|video|e2e' \
	  -E 'e2e_window|e2e_session|e2e_render_sync|e2e_render_safety|e2e_render_folder|e2e_render_offscreen|e2e_render_presets|e2e_desktop|e2e_screen_awake|e2e_listen|CreateAndFreeCycles|_pipewire'

# libFuzzer on the song-opening and decoding path of MP3s, then on the sound
# side of a render, then on the other kinds' decoders, each for FUZZ_SECONDS,
# seeded with the hostile files; findings land in $(FUZZ_BUILD)/findings.
# Not part of `make test`; CI runs it briefly (FUZZ_SECONDS=5) so the
# targets keep building and a known crash is found again.
FUZZERS := viz_decoder_fuzzer viz_render_audio_fuzzer viz_other_formats_fuzzer
fuzz:
	@scripts/install-deps --fuzz
	cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIZ_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZERS) viz_make_hostile_files
	mkdir -p $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/findings
	$(FUZZ_BUILD)/tools/viz_make_hostile_files $(FUZZ_BUILD)/corpus
	for fuzzer in $(FUZZERS); do \
	  $(FUZZ_BUILD)/tests/$$fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=10 \
	    -artifact_prefix=$(FUZZ_BUILD)/findings/$$fuzzer- $(FUZZ_BUILD)/corpus || exit 1; \
	done

# On a private sound server, so sync is measured where a desktop plays it;
# listening on PipeWire as well; then the program's CPU time with its window
# seen, covered and minimised, under a window manager.
bench: build
	VIZ_SCREEN=1920x1080 $(XRUN) scripts/with-sound-server $(BUILD)/bench/viz_bench
	scripts/with-sound-server pipewire $(BUILD)/bench/viz_bench --listening
	scripts/with-sound-server pipewire $(BUILD)/bench/viz_bench --gaps
	$(XRUN) scripts/with-window-manager bench/window_cpu.sh $(BUILD)

# Seven minutes of random use on a sound server that restarts midway, on
# PulseAudio and then PipeWire (SOAK_SECONDS to change the length).
SOAK_SECONDS ?= 420
soak: build
	$(XRUN) scripts/with-sound-server pulseaudio bench/soak.sh $(BUILD)/viz $(BUILD)/tools/viz_make_test_song $(SOAK_SECONDS)
	$(XRUN) scripts/with-sound-server pipewire bench/soak.sh $(BUILD)/viz $(BUILD)/tools/viz_make_test_song $(SOAK_SECONDS)

# One PNG of each screen, from the real program on the demo songs, into docs/;
# the icons, drawn from the title figure, into packaging/icons/.
screenshots: build
	$(XRUN) tools/take-screenshots.sh $(BUILD) docs
	$(XRUN) tools/make-icons.sh $(BUILD) packaging/icons

# The Debian package, here: then `apt install ./viz_*.deb`.
package: build
	rm -f viz_*.deb $(BUILD)/viz_*.deb
	cd $(BUILD) && cpack
	cp $(BUILD)/viz_*.deb .

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) viz_*.deb
