#!/usr/bin/env python3
"""The Mirvane demo: trains bsfilter through the plug-in's own learning commands (with batch
training on) on a training split of the public SpamAssassin corpus, receives the held-out rest
through the plug-in in the host simulator, and reports how the messages were judged and where
they went, the training speed, and the speed of the plug-in measured against bare bsfilter
judging a sample of the same messages in the same run.

    tools/demo.py [--per-message] [--fast-ruby] [--train-spam N] [--train-ham N] [--test-spam N] [--test-ham N]
                  [--bare-sample N] [--seed S]

By default it trains on 1,000 spam and 2,000 clean messages and judges all the others (896 spam
and 2,150 clean). --per-message trains one bsfilter run per message, the way the plug-in does
with batch training off, for comparison.

Runs from ./run demo, which installs what is missing and builds the Linux tree first.
"""
import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(TOP, "build", "linux", "bin")
HOST = os.path.join(BIN, "mirvane-host")
WORK = os.path.join(TOP, "build", "demo")
RUBY = shutil.which("ruby") or "/usr/bin/ruby"
BSFILTER = shutil.which("bsfilter") or "/usr/bin/bsfilter"

SPAM_GROUPS = ("spam-1", "spam-2")
HAM_GROUPS = ("easy-ham-1", "easy-ham-2", "hard-ham-1")

TRAIN_SPAM = 1000
TRAIN_HAM = 2000
# Bare bsfilter judges every this many-th held-out message: enough for a rate and an agreement
# count, without doubling the run.
BARE_SAMPLE = 300


def win(path):
    """A POSIX path in the Windows notation the host and the plug-in use."""
    return path.replace("/", "\\")


def load_corpus():
    data = subprocess.run([os.path.join(TOP, "tools", "fetch-corpus.sh")], check=True,
                          capture_output=True, text=True).stdout.strip().splitlines()[-1]
    messages = {"spam": [], "ham": []}
    for kind, groups in (("spam", SPAM_GROUPS), ("ham", HAM_GROUPS)):
        for group in groups:
            folder = os.path.join(data, group)
            for name in sorted(os.listdir(folder)):
                if not name.endswith(".json"):
                    continue
                with open(os.path.join(folder, name), encoding="utf-8") as f:
                    text = json.load(f).get("text", "")
                if text.strip():
                    messages[kind].append(text)
    return messages


def write_messages(folder, texts, prefix):
    os.makedirs(folder, exist_ok=True)
    names = []
    for i, text in enumerate(texts):
        name = "%s-%05d.eml" % (prefix, i)
        # The corpus is mostly ASCII and Latin-1 in 8-bit bodies; keep the bytes as they come.
        with open(os.path.join(folder, name), "wb") as f:
            f.write(text.encode("utf-8", "surrogateescape"))
        names.append(name)
    return names


class Host:
    def __init__(self, data, plugin):
        self.base = [HOST, "--data", win(data), "--plugin", win(plugin)]

    def run(self, *args, show_progress=False):
        result = subprocess.run(self.base + list(args), stdout=subprocess.PIPE,
                                stderr=None if show_progress else subprocess.PIPE, text=True)
        events = [json.loads(line) for line in result.stdout.splitlines() if line.startswith("{")]
        if result.returncode != 0:
            sys.stderr.write(result.stdout)
            raise SystemExit("demo: mirvane-host %s failed (%d)" % (" ".join(args), result.returncode))
        return events


def menu_position(host, text):
    for event in host.run("menu"):
        if event.get("event") == "menu-item" and event.get("text") == text:
            return event["path"]
    raise SystemExit("demo: the context menu has no item %r" % text)


def train(host, mailbox, option):
    """Selects every message of a training mailbox and runs the plug-in's learning command.
    Returns the result box's first line and whether it was an error box."""
    host.run("select", "--folder", mailbox + "!!!!Inbox\\", "--all")
    path = menu_position(host, option + " + --update")
    events = host.run("run", "--pos", path, "--answer", "ok,ok", show_progress=True)
    first, error = "", False
    for event in events:
        if event.get("event") == "messagebox" and event.get("buttons") != "okcancel":
            first = event["text"].split("\r\n")[0]
            error = event.get("icon") == "error"
            print("   %s: %s" % (event["caption"], event["text"].replace("\r\n", " / ")[:160]))
    return first, error


def bare_bsfilter(home, config, files):
    """Judges each message with bsfilter directly, as the plug-in's runner would."""
    verdicts = {}
    start = time.monotonic()
    for path in files:
        with open(path, "rb") as f:
            text = f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        result = subprocess.run([RUBY, BSFILTER, "--homedir", home, "--config-file", config],
                                input=text, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        verdicts[os.path.basename(path)] = result.returncode
    return verdicts, time.monotonic() - start


def fast_ruby_option():
    """RUBYOPT that starts Ruby without RubyGems and still finds Debian's sdbm extension."""
    found = subprocess.run([RUBY, "-rsdbm", "-e", "puts $LOADED_FEATURES.grep(/sdbm\\.so$/)"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
    if not found:
        raise SystemExit("demo: --fast-ruby: Ruby cannot load sdbm (is ruby-sdbm installed?)")
    return "--disable-gems -I%s" % os.path.dirname(found[0])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--per-message", action="store_true",
                        help="train with one bsfilter run per message (batch training off)")
    parser.add_argument("--train-spam", type=int, default=TRAIN_SPAM)
    parser.add_argument("--train-ham", type=int, default=TRAIN_HAM)
    parser.add_argument("--test-spam", type=int, default=-1, help="held-out spam to judge (default: all the rest)")
    parser.add_argument("--test-ham", type=int, default=-1, help="held-out clean mail to judge (default: all the rest)")
    parser.add_argument("--bare-sample", type=int, default=BARE_SAMPLE,
                        help="messages bare bsfilter judges for the speed comparison (0: all)")
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--fast-ruby", action="store_true",
                        help="start Ruby without RubyGems (RUBYOPT) for the plug-in run and the bare run alike")
    args = parser.parse_args()

    print("== Mirvane demo: the public SpamAssassin corpus through the plug-in")
    if args.fast_ruby:
        # Both runs inherit it: the host passes its environment on to bsfilter.
        os.environ["RUBYOPT"] = fast_ruby_option()
        print("   RUBYOPT=%s" % os.environ["RUBYOPT"])
    corpus = load_corpus()
    rng = random.Random(args.seed)
    for texts in corpus.values():
        rng.shuffle(texts)
    if args.test_spam < 0:
        args.test_spam = len(corpus["spam"]) - args.train_spam
    if args.test_ham < 0:
        args.test_ham = len(corpus["ham"]) - args.train_ham
    train_spam = corpus["spam"][:args.train_spam]
    train_ham = corpus["ham"][:args.train_ham]
    test_spam = corpus["spam"][args.train_spam:args.train_spam + args.test_spam]
    test_ham = corpus["ham"][args.train_ham:args.train_ham + args.test_ham]
    print("   corpus: %d spam, %d clean; training on %d spam + %d clean, judging %d spam + %d clean held out"
          % (len(corpus["spam"]), len(corpus["ham"]), len(train_spam), len(train_ham), len(test_spam),
             len(test_ham)))

    # A fresh host data folder and the plug-in installed with Debian's bsfilter in script mode.
    shutil.rmtree(WORK, ignore_errors=True)
    data = os.path.join(WORK, "data")
    plugin_dir = os.path.join(WORK, "PlugIns")
    os.makedirs(os.path.join(plugin_dir, "Mirvane"))
    plugin = os.path.join(plugin_dir, "Mirvane.so")
    shutil.copy(os.path.join(BIN, "Mirvane.so"), plugin)
    shutil.copy(BSFILTER, os.path.join(plugin_dir, "Mirvane", "bsfilter"))
    host = Host(data, plugin)
    host.run("init", "demo.mb:Demo:me@example.com", "spam.mb:Training spam:me@example.com",
             "ham.mb:Training clean:me@example.com")
    settings = os.path.join(data, "PlugIns", "Mirvane")
    os.makedirs(settings, exist_ok=True)
    with open(os.path.join(settings, "Mirvane.ini"), "w", newline="\r\n") as f:
        f.write("[Mirvane]\nProcessSpamMail=GoTrash\nBatchLearning=%s\n"
                "[ExecBsfilterScript]\nUseBsfilterScript=True\nRubyModulePath=%s\n"
                % ("False" if args.per_message else "True", RUBY))

    messages = os.path.join(WORK, "messages")
    write_messages(os.path.join(messages, "train-spam"), train_spam, "spam")
    write_messages(os.path.join(messages, "train-ham"), train_ham, "ham")
    test_folder = os.path.join(messages, "test")
    names = write_messages(test_folder, test_spam, "spam") + write_messages(test_folder, test_ham, "ham")
    truth = {name: name.startswith("spam") for name in names}

    print("== Training through the plug-in's commands (%s)"
          % ("one bsfilter run per message" if args.per_message else "batch training"))
    host.run("receive", win(os.path.join(messages, "train-spam")), "--mailbox", "spam.mb\\", "--no-filter")
    host.run("receive", win(os.path.join(messages, "train-ham")), "--mailbox", "ham.mb\\", "--no-filter")
    start = time.monotonic()
    results = [train(host, "spam.mb\\", "--add-spam"), train(host, "ham.mb\\", "--add-clean")]
    train_seconds = time.monotonic() - start
    trained = len(train_spam) + len(train_ham)
    print("   trained %d messages in %.1f s: %.1f messages/s (each command with its --update and status)"
          % (trained, train_seconds, trained / train_seconds if train_seconds > 0 else 0.0))
    if any(error for _, error in results):
        print("   WARNING: a training command reported an error (see above); the judging below uses the table it left")

    print("== Receiving the held-out messages through BKC_OnBeforeFilter2")
    start = time.monotonic()
    events = host.run("receive", win(test_folder), "--mailbox", "demo.mb\\")
    plugin_seconds = time.monotonic() - start
    for event in events:
        # The host times its receive loop itself, without its own start-up and the plug-in's load.
        if event.get("event") == "receive" and event.get("milliseconds"):
            plugin_seconds = event["milliseconds"] / 1000.0
    judged = {}
    places = {}
    for event in events:
        if event.get("event") != "received":
            continue
        name = event["file"].split("\\")[-1]
        folder = event.get("folderName", event.get("folder", "?"))
        judged[name] = event.get("folder", "").endswith("!Trash\\")
        places.setdefault(folder, {"spam": 0, "clean": 0})["spam" if truth[name] else "clean"] += 1

    home = os.path.join(settings, "bsfilterdb")
    config = os.path.join(settings, "bsfilter.conf")
    step = max(1, len(names) // args.bare_sample) if args.bare_sample > 0 else 1
    sample = names[::step]
    print("== Judging %d of the same messages with bare bsfilter" % len(sample))
    bare, bare_seconds = bare_bsfilter(home, config, [os.path.join(test_folder, n) for n in sample])

    tp = sum(1 for n in names if truth[n] and judged.get(n))
    fn = sum(1 for n in names if truth[n] and not judged.get(n))
    fp = sum(1 for n in names if not truth[n] and judged.get(n))
    tn = sum(1 for n in names if not truth[n] and not judged.get(n))
    agree = sum(1 for n in sample if (bare.get(n) == 0) == bool(judged.get(n)))
    total = len(names)

    print()
    print("Messages judged: %d (spam %d, clean %d)" % (total, len(test_spam), len(test_ham)))
    print()
    print("                    judged spam   judged clean")
    print("  actually spam     %11d   %12d" % (tp, fn))
    print("  actually clean    %11d   %12d" % (fp, tn))
    print()
    accuracy = 100.0 * (tp + tn) / total if total else 0.0
    print("  accuracy %.1f %%, spam caught %.1f %%, clean kept %.1f %%" % (
        accuracy, 100.0 * tp / max(1, tp + fn), 100.0 * tn / max(1, tn + fp)))
    print()
    print("Where the messages went:")
    for folder, counts in sorted(places.items()):
        print("  %-24s %5d spam, %5d clean" % (folder, counts["spam"], counts["clean"]))
    print()
    plugin_rate = total / plugin_seconds if plugin_seconds > 0 else 0.0
    bare_rate = len(sample) / bare_seconds if bare_seconds > 0 else 0.0
    print("Training: %d spam + %d clean in %.1f s, %.1f messages/s (%s)"
          % (len(train_spam), len(train_ham), train_seconds, trained / train_seconds if train_seconds > 0 else 0.0,
             "one run per message" if args.per_message else "batch training"))
    print()
    print("Receiving:")
    print("  through the plug-in:  %7.1f messages/s" % plugin_rate)
    print("  bare bsfilter:        %7.1f messages/s (%d of them)" % (bare_rate, len(sample)))
    print("  ratio plug-in / bare: %7.2f" % (plugin_rate / bare_rate if bare_rate else 0.0))
    print("  verdicts agreeing with bare bsfilter: %d of %d" % (agree, len(sample)))
    print()
    print("Data folder: %s (see PlugIns/Mirvane/ for the settings, the database and the log)" % data)


if __name__ == "__main__":
    main()
