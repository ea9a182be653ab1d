#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Drives WebKitGTK (Safari's engine) for the browser tests: one window, run under Xvfb, taking
# one JSON command a line on standard input and answering one JSON line on standard output.
#   {"id": 1, "op": "version"}                      -> {"id": 1, "value": "2.50.6"}
#   {"id": 2, "op": "open", "url": "file:///..."}   -> once the page has loaded
#   {"id": 3, "op": "call", "body": "return 1+1"}   -> the awaited value, as JSON
#   {"id": 4, "op": "preload", "source": "..."}     -> runs in every document before its scripts
#   {"id": 4, "op": "files", "paths": ["/x.wav"]}   -> the next file chooser picks these
#   {"id": 5, "op": "downloads", "dir": "/tmp/d"}   -> downloads land there
#   {"id": 6, "op": "quit"}
# A command that fails answers {"id": N, "error": "..."}. Microphone requests are granted and
# sound may play without a user gesture, as the other engines are started (TARVEL_AUTOPLAY=deny
# refuses it instead).
import json
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import GLib, Gtk, WebKit2  # noqa: E402

# Nothing kept from one run to the next (storage, permissions), as the other engines' fresh profiles.
context = WebKit2.WebContext.new_ephemeral()
context.set_preferred_languages([os.environ.get("TARVEL_LANG", "ru-RU"), "en"])
# TARVEL_AUTOPLAY=deny: the engine refuses every play() (as Safari does without a user gesture).
autoplay = WebKit2.AutoplayPolicy.DENY if os.environ.get("TARVEL_AUTOPLAY") == "deny" else WebKit2.AutoplayPolicy.ALLOW
policies = WebKit2.WebsitePolicies(autoplay=autoplay)
view = WebKit2.WebView(web_context=context, website_policies=policies)
settings = view.get_settings()
for name in ("enable-media-stream", "enable-mediasource", "enable-webaudio", "allow-file-access-from-file-urls",
             "enable-developer-extras"):
    settings.set_property(name, True)
settings.set_property("media-playback-requires-user-gesture", False)
window = Gtk.Window()
window.set_default_size(1000, 800)
window.add(view)
window.show_all()

state = {"files": None, "downloads": None, "load": None}


def answer(cid, **fields):
    sys.stdout.write(json.dumps({"id": cid, **fields}) + "\n")
    sys.stdout.flush()


def on_permission(_view, request):
    request.allow()
    return True


def on_file_chooser(_view, request):
    if state["files"] is None:
        request.cancel()
    else:
        request.select_files(state["files"])
        state["files"] = None
    return True


def on_download(_context, download):
    def destination(dl, suggested):
        folder = state["downloads"] or GLib.get_tmp_dir()
        dl.set_destination(os.path.join(folder, suggested))
        return True

    download.connect("decide-destination", destination)


def on_load(_view, event):
    if event == WebKit2.LoadEvent.FINISHED and state["load"] is not None:
        cid, state["load"] = state["load"], None
        answer(cid, value=None)


def on_load_failed(_view, _event, uri, error):
    if state["load"] is not None:
        cid, state["load"] = state["load"], None
        answer(cid, error="load failed: %s %s" % (uri, error.message))
    return False


view.connect("permission-request", on_permission)
view.connect("run-file-chooser", on_file_chooser)
view.connect("load-changed", on_load)
view.connect("load-failed", on_load_failed)
context.connect("download-started", on_download)


def call(cid, body):
    def done(source, result):
        try:
            value = source.call_async_javascript_function_finish(result)
            text = value.to_json(0) if value is not None else None
            answer(cid, value=None if text in (None, "undefined") else json.loads(text))
        except GLib.Error as e:
            answer(cid, error=e.message)

    view.call_async_javascript_function(body, -1, None, None, None, None, done)


def command(line):
    try:
        c = json.loads(line)
    except ValueError:
        return
    cid, op = c.get("id"), c.get("op")
    if op == "version":
        answer(cid, value="%d.%d.%d" % (WebKit2.get_major_version(), WebKit2.get_minor_version(),
                                        WebKit2.get_micro_version()))
    elif op == "open":
        state["load"] = cid
        view.load_uri(c["url"])
    elif op == "call":
        call(cid, c["body"])
    elif op == "preload":
        script = WebKit2.UserScript.new(c["source"], WebKit2.UserContentInjectedFrames.ALL_FRAMES,
                                        WebKit2.UserScriptInjectionTime.START, None, None)
        view.get_user_content_manager().add_script(script)
        answer(cid, value=None)
    elif op == "files":
        state["files"] = c["paths"]
        answer(cid, value=None)
    elif op == "downloads":
        state["downloads"] = c["dir"]
        answer(cid, value=None)
    elif op == "quit":
        answer(cid, value=None)
        Gtk.main_quit()
    else:
        answer(cid, error="unknown op " + str(op))


def on_stdin(channel, condition):
    if condition & (GLib.IO_HUP | GLib.IO_ERR):
        Gtk.main_quit()
        return False
    line = channel.readline()
    if not line:
        Gtk.main_quit()
        return False
    command(line)
    return True


stdin = GLib.IOChannel.unix_new(sys.stdin.fileno())
GLib.io_add_watch(stdin, GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR, on_stdin)
Gtk.main()
