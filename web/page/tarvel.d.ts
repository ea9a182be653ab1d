// SPDX-License-Identifier: GPL-3.0-or-later
// What tarvel.js, the core compiled to WebAssembly, gives the page: the module's memory and
// the binding's C functions (web/TarvelWeb.cpp).

interface TarvelModule {
  HEAPU8: Uint8Array;
  HEAPF32: Float32Array;
  _malloc(size: number): number;
  _free(at: number): void;
  UTF8ToString(at: number): string;

  // Each returns where its JSON answer is (web/TarvelWeb.cpp); text goes in as bytes and a size.
  _tarvel_parameters(): number;
  _tarvel_frame(settings: number, size: number): number;
  _tarvel_settings_read(file: number, size: number): number;
  _tarvel_settings_write(settings: number, size: number, name: number, nameSize: number): number;
  _tarvel_send(settings: number, size: number): number;
  _tarvel_wav_bytes(): number;
  _tarvel_fmsig_text(): number;
  _tarvel_tone_wav(seconds: number): number;
  _tarvel_tone_bytes(): number;
  _tarvel_recording_open_wav(head: number, size: number, fileSize: number): number;
  _tarvel_recording_open_samples(channels: number, rate: number): number;
  _tarvel_recording_feed_bytes(bytes: number, size: number): number;
  _tarvel_recording_feed_samples(samples: number, count: number): number;
  _tarvel_recording_finish(): number;
  _tarvel_recording_close(): void;
}

declare function createTarvel(options?: object): Promise<TarvelModule>;
