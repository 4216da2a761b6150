#!/usr/bin/env python3
"""The effect's folders depend in one direction: a file includes headers of its own folder and of
the folders below it, never of one above. The order, lowest first, is the one plugin/CMakeLists.txt
gives its include folders in.

usage: check_plugin_layers.py REPOSITORY
"""
import os
import re
import sys

plugin = os.path.join(sys.argv[1], "plugin")
cmake = open(os.path.join(plugin, "CMakeLists.txt")).read()
order = re.search(r"target_include_directories\(plenorium_effect PRIVATE ([^)]*)\)", cmake).group(1).split()
rank = {folder: i for i, folder in enumerate(order)}
home = {}
for folder in order:
    for name in os.listdir(os.path.join(plugin, folder)):
        if name.endswith(".h"):
            if name in home:
                sys.exit(f"{name} is in both plugin/{home[name]} and plugin/{folder}")
            home[name] = folder

wrong = []
for folder in order:
    for name in sorted(os.listdir(os.path.join(plugin, folder))):
        if not name.endswith((".h", ".cpp")):
            continue
        for included in re.findall(r'^#include "([^"]+)"', open(os.path.join(plugin, folder, name)).read(), re.M):
            target = home.get(included)
            if target is not None and rank[target] > rank[folder]:
                wrong.append(f"plugin/{folder}/{name} includes {included} from plugin/{target}, a folder above it")
print("\n".join(wrong) if wrong else f"{len(order)} folders in one direction: {' < '.join(order)}")
sys.exit(1 if wrong else 0)
