// SPDX-License-Identifier: GPL-3.0-or-later
// A private PulseAudio for the browser tests, with its faults at hand: two null sinks (the
// interface and the speakers, the speakers the default), a loop input that hears the interface,
// recorders on a sink's monitor, and the faults a send can meet (the sink unloaded, the stream
// moved, the sink suspended, the server stopped or gone). Its socket, pid file and state live in
// a scratch folder, so it never meets another PulseAudio and stopping it stops only this one.
import { execFileSync, spawn } from "node:child_process";
import fs from "node:fs";
import path from "node:path";

import { scratch } from "./browser.mjs";

export const INTERFACE = { sink: "tarvel_iface", label: "Tarvel-Interface" };
export const SPEAKERS = { sink: "speakers", label: "Speakers" };
export const LOOP = { source: "iface_loop", label: "Interface-Loop" };

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

export class PrivatePulse {
  constructor() {
    this.dir = scratch();
    this.runtime = path.join(this.dir, "runtime");
    for (const d of ["runtime", "state", "config"]) fs.mkdirSync(path.join(this.dir, d));
    // What a browser (and pactl) needs to find this server and no other.
    this.env = {
      ...process.env,
      PULSE_RUNTIME_PATH: this.runtime,
      PULSE_STATE_PATH: path.join(this.dir, "state"),
      PULSE_CONFIG_PATH: path.join(this.dir, "config"),
      PULSE_SERVER: "unix:" + path.join(this.runtime, "native"),
    };
    this.recorders = [];
    this.stopped = false;
    this.modules = {};
  }

  pactl(...args) {
    return execFileSync("pactl", args, { env: this.env, encoding: "utf8", timeout: 5000 });
  }

  async start() {
    execFileSync("pulseaudio", ["-D", "-n", "--exit-idle-time=-1", "--load=module-native-protocol-unix"],
      { env: this.env, stdio: "ignore" });
    for (let i = 0; i < 50; ++i) {
      try {
        this.pactl("info");
        break;
      } catch {
        await sleep(100);
      }
    }
    this.pid = Number(fs.readFileSync(path.join(this.runtime, "pid"), "utf8"));
    this.addSink(SPEAKERS);
    this.addSink(INTERFACE);
    this.pactl("set-default-sink", SPEAKERS.sink);
    this.modules.loop = this.pactl("load-module", "module-remap-source", "master=" + INTERFACE.sink + ".monitor",
      "source_name=" + LOOP.source, "source_properties=device.description=" + LOOP.label).trim();
    this.pactl("set-default-source", LOOP.source);
    return this;
  }

  addSink({ sink, label }) {
    this.modules[sink] = this.pactl("load-module", "module-null-sink", "sink_name=" + sink,
      "sink_properties=device.description=" + label).trim();
  }

  // The interface unplugged: its sink (and the loop that hears it) go away.
  unloadSink({ sink }) {
    if (sink === INTERFACE.sink && this.modules.loop) {
      this.pactl("unload-module", this.modules.loop);
      delete this.modules.loop;
    }
    this.pactl("unload-module", this.modules[sink]);
    delete this.modules[sink];
  }

  // Every playing stream to `sink`, as the system's sound settings would move it; returns how
  // many moved (a stream may be pinned to its output by the program that plays it).
  moveStreams({ sink }) {
    const ids = this.pactl("list", "short", "sink-inputs").split("\n").filter(Boolean).map((l) => l.split("\t")[0]);
    let moved = 0;
    for (const id of ids) {
      try {
        execFileSync("pactl", ["move-sink-input", id, sink], { env: this.env, stdio: "ignore", timeout: 5000 });
        moved += 1;
      } catch {
        // refused: the stream stays where it is
      }
    }
    return moved;
  }

  suspend({ sink }, on = true) {
    this.pactl("suspend-sink", sink, on ? "1" : "0");
  }

  // The server frozen (kill -STOP) and woken again.
  freeze() {
    process.kill(this.pid, "SIGSTOP");
    this.stopped = true;
  }

  thaw() {
    process.kill(this.pid, "SIGCONT");
    this.stopped = false;
  }

  playingStreams() {
    return this.pactl("list", "short", "sink-inputs").split("\n").filter(Boolean).length;
  }

  // Waits until a browser stream plays into the server (the send has reached it).
  async waitForStream(timeout_ms = 10000) {
    const end = Date.now() + timeout_ms;
    while (Date.now() < end) {
      if (this.playingStreams() > 0) return;
      await sleep(50);
    }
    throw new Error("no stream reached the sound server");
  }

  // Records the monitor of `sink` at 16 kHz mono into a WAV file; returns {file, stop()}.
  async record({ sink }) {
    const file = path.join(this.dir, sink + "-" + this.recorders.length + ".wav");
    const child = spawn("parec", ["-d", sink + ".monitor", "--latency-msec=20", "--rate=16000", "--channels=1",
      "--format=s16le", "--file-format=wav", file], { env: this.env, stdio: "ignore" });
    this.recorders.push(child);
    await sleep(700);
    return {
      file,
      stop: async () => {
        await sleep(500);
        const gone = new Promise((r) => child.once("exit", r));
        child.kill("SIGINT");
        await gone;
        return file;
      },
    };
  }

  async stop() {
    if (this.stopped) this.thaw();
    for (const r of this.recorders) if (r.exitCode === null) r.kill("SIGKILL");
    try {
      execFileSync("pulseaudio", ["--kill"], { env: this.env, stdio: "ignore" });
    } catch {
      // already gone (the "no server" case)
    }
    // The daemon writes its state and removes its socket on the way out, which takes long on a
    // busy machine: the folder goes only once the daemon has.
    await this.waitGone(10000);
    fs.rmSync(this.dir, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
  }

  async waitGone(timeout_ms) {
    if (!this.pid) return;
    const alive = () => {
      try {
        process.kill(this.pid, 0);
        return true;
      } catch {
        return false;
      }
    };
    const end = Date.now() + timeout_ms;
    while (alive() && Date.now() < end) await sleep(50);
    if (alive()) process.kill(this.pid, "SIGKILL");
  }
}

export async function privatePulse() {
  return new PrivatePulse().start();
}
