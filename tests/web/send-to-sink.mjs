// SPDX-License-Identifier: GPL-3.0-or-later
// Sets the page to the settings given as `tarvel` options and presses "выдать", with the sound
// going to the PulseAudio the environment names; ends when the page says the send is over.
//   node send-to-sink.mjs --mode vox --pilot-hz 1500 --max-tx-s 120
import { enter, launch, open } from "./browser.mjs";

const names = { "--mode": "mode", "--pilot-hz": "pilot", "--vox-threshold": "threshold", "--vox-release-ms": "release",
  "--max-tx-s": "maxTx" };
const s = {};
const argv = process.argv.slice(2);
for (let i = 0; i < argv.length; i += 2) s[names[argv[i]]] = argv[i] === "--mode" ? argv[i + 1] : Number(argv[i + 1]);

const browser = await launch([], "ru-RU", { audible: true });
try {
  const { page, problems } = await open(browser);
  await enter(page, s);
  await page.click("#send");
  await page.waitForFunction(() => document.body.dataset.busy, { timeout: 5000 });
  await page.waitForFunction(() => !document.body.dataset.busy, { timeout: 30000 });
  const status = await page.$eval("#status", (e) => ({ text: e.textContent, error: e.classList.contains("error") }));
  if (status.error || problems.length) throw new Error("the page: " + status.text + " " + problems.join("; "));
  console.log("page: " + status.text);
} finally {
  await browser.close();
}
