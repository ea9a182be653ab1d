// SPDX-License-Identifier: GPL-3.0-or-later
// What tarvel.js, the core compiled to WebAssembly, gives the page: the module's memory and
// the binding's C functions (web/TarvelWeb.cpp).

interface TarvelModule {
  HEAPU8: Uint8Array;
  HEAP16: Int16Array;
  HEAP32: Int32Array;
  HEAPF32: Float32Array;
  _malloc(size: number): number;
  _free(at: number): void;
  UTF8ToString(at: number): string;
  stringToUTF8(text: string, at: number, size: number): void;
  lengthBytesUTF8(text: string): number;

  _tarvel_parameters(): number;
  _tarvel_frame(settings: number, frameOut: number): number;
  _tarvel_send(settings: number): number;
  _tarvel_wav_bytes(): number;
  _tarvel_wav_size(): number;
  _tarvel_fmsig_text(): number;
  _tarvel_fmsig_size(): number;
  _tarvel_tone(frequency_hz: number, seconds: number): number;
  _tarvel_tone_count(): number;
  _tarvel_sample_rate(): number;
  _tarvel_tone_default_hz(): number;
  _tarvel_settings_read(text: number, settings: number): number;
  _tarvel_settings_write(settings: number, name: number): number;
  _tarvel_decode(samples: number, count: number, rate: number): number;
}

declare function createTarvel(options?: object): Promise<TarvelModule>;
