#!/usr/bin/env python3
"""Writes a world description of N components for zkcp-export: the sample
room's door, table and lamp repeated on a square grid, 3 m apart, with their
attributes, behaviours and rules. The geometry and the table's description
file are copied beside it, so the folder is self-contained.

usage: make_world.py N OUT_DIR [--no-behaviors]
"""
import json
import math
import pathlib
import shutil
import sys

SAMPLE = pathlib.Path(__file__).resolve().parent.parent / "examples" / "world"


def door(name, place):
    return {
        "instance": name, "component": "Door", "geometry": "geometry/door.wrl",
        "translation": place,
        "attributes": [
            {"name": "open", "kind": "bool", "value": False},
            {"name": "angle", "kind": "float", "value": 0},
            {"name": "swing", "kind": "rotation", "value": [0, 1, 0, 0]},
        ],
        "behaviors": [
            {"name": "swing", "module": "doors", "function": "door_swing",
             "init": "door_open", "fini": "door_shut", "startup": True},
        ],
    }


def table(name, place):
    return {
        "instance": name, "component": "Table", "geometry": "geometry/table.wrl",
        "description": "table.desc", "translation": place,
        "attributes": [
            {"name": "colour", "kind": "color", "value": [0.6, 0.4, 0.2]},
            {"name": "size", "kind": "vec3f", "value": [1.6, 0.75, 0.9]},
        ],
    }


def lamp(name, place):
    return {
        "instance": name, "component": "Lamp", "geometry": "geometry/lamp.wrl",
        "translation": place,
        "attributes": [
            {"name": "on", "kind": "bool", "value": True},
            {"name": "since", "kind": "time", "value": 0},
        ],
        "behaviors": [
            {"name": "blink", "module": "lamps", "function": "lamp_blink",
             "init": "lamp_light", "fini": "lamp_out"},
            {"name": "glow", "module": "lamps", "function": "lamp_light", "startup": True},
        ],
        "rules": [{"source": "blink", "target": "glow", "type": "toggles"}],
    }


def main(argv):
    if len(argv) < 3 or not argv[1].isdigit():
        sys.stderr.write(__doc__)
        return 2
    count = int(argv[1])
    out = pathlib.Path(argv[2])
    behaviors = "--no-behaviors" not in argv[3:]
    out.mkdir(parents=True, exist_ok=True)
    shutil.copytree(SAMPLE / "geometry", out / "geometry", dirs_exist_ok=True)
    shutil.copy(SAMPLE / "table.desc", out / "table.desc")

    side = max(1, math.ceil(math.sqrt(count)))
    kinds = (door, table, lamp)
    components = []
    for i in range(count):
        place = [3.0 * (i % side), 0, -3.0 * (i // side)]
        component = kinds[i % 3](f"c{i}", place)
        if not behaviors:
            component.pop("behaviors", None)
            component.pop("rules", None)
        components.append(component)
    world = {
        "name": f"Grid of {count}", "version": "1.0",
        "components": components,
        "lights": [{"name": "sun", "kind": "directional", "direction": [-0.3, -1, -0.5],
                    "intensity": 0.8, "on": True}],
        "viewpoints": [{"name": "above", "position": [1.5 * side, 2.0 * side + 5, 6],
                        "orientation": [1, 0, 0, -0.9], "description": "Over the grid"}],
    }
    with open(out / "world.json", "w") as f:
        json.dump(world, f, separators=(",", ":"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
