#!/usr/bin/env python3
"""Fails when a translation would show a person English or a broken text:
  - lrelease reports an entry unfinished or untranslated;
  - a translation lacks a placeholder of its source (%1, %n), so a value would vanish, or adds one;
  - the .ts is behind the code: lupdate over src/ (as scripts/update-translations runs it) into a copy
    adds or drops a text. Run scripts/update-translations, translate what it brings, and commit.
usage: check_translations.py LRELEASE LUPDATE SOURCE_DIR"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

lrelease, lupdate, root = sys.argv[1:4]
placeholder = re.compile(r"%(?:L?\d+|L?n)")


def messages(path):
    for context in ET.parse(path).getroot().iter("context"):
        for message in context.iter("message"):
            yield context.findtext("name"), message


def key(context, message):
    return context, message.findtext("source"), message.findtext("comment") or ""


failures = []
files = sorted(os.path.join(root, "translations", name)
               for name in os.listdir(os.path.join(root, "translations")) if name.endswith(".ts"))
if not files:
    failures.append("no translations/*.ts")
for ts in files:
    name = os.path.basename(ts)
    with tempfile.TemporaryDirectory() as folder:
        qm = os.path.join(folder, "out.qm")
        said = subprocess.run([lrelease, ts, "-qm", qm], capture_output=True, text=True, check=True).stdout
        generated = re.search(r"Generated (\d+) translation\(s\) \((\d+) finished and (\d+) unfinished\)", said)
        if not generated or generated.group(1) == "0" or generated.group(3) != "0" or "untranslated" in said:
            failures.append(f"{name}: lrelease says: {said.strip()}")

        for context, message in messages(ts):
            source = message.findtext("source")
            forms = [f.text or "" for f in message.iter("numerusform")] or [message.findtext("translation") or ""]
            for form in forms:
                if sorted(placeholder.findall(form)) != sorted(placeholder.findall(source)):
                    failures.append(f"{name}: {context}: placeholders differ: {source!r} -> {form!r}")

        copy = os.path.join(folder, name)
        shutil.copy(ts, copy)
        subprocess.run([os.path.join(root, "scripts", "update-translations"), copy], env=dict(os.environ, LUPDATE=lupdate),
                       capture_output=True, text=True, check=True)
        committed = {key(c, m) for c, m in messages(ts)}
        current = {key(c, m) for c, m in messages(copy)}
        for context, source, _ in sorted(current - committed):
            failures.append(f"{name}: new in the code, not in the file: {context}: {source!r}")
        for context, source, _ in sorted(committed - current):
            failures.append(f"{name}: gone from the code, still in the file: {context}: {source!r}")

if failures:
    print("\n".join(failures))
    print("(scripts/update-translations refreshes the files; then translate every unfinished entry)")
    sys.exit(1)
print(f"{len(files)} translation(s) finished and up to date")
