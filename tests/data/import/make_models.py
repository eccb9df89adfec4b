#!/usr/bin/env python3
"""Writes the small test models of this folder: a lamp as glTF (external
buffer and image), as .glb (everything embedded), and a chair as PLY;
COLLADA and FBX copies of the chair are made with the system's Assimp
library from chair.dae. Run from anywhere; the files land beside this
script. chair.obj, chair.mtl, chair.dae and part.stl are written by hand."""
import base64
import ctypes
import ctypes.util
import json
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(width, height, rgb_of):
    rows = b""
    for y in range(height):
        rows += b"\0" + b"".join(bytes(rgb_of(x, y)) for x in range(width))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


CHECKER = png(4, 4, lambda x, y: (200, 40, 40) if (x + y) % 2 else (240, 240, 240))
WOOD = png(4, 4, lambda x, y: (150 + 10 * x, 100, 50))

# A unit cube: four vertices a face, with normals and texture coordinates.
FACES = [((1, 0, 0), (0, 1, 0), (0, 0, 1)), ((-1, 0, 0), (0, 0, 1), (0, 1, 0)),
         ((0, 1, 0), (0, 0, 1), (1, 0, 0)), ((0, -1, 0), (1, 0, 0), (0, 0, 1)),
         ((0, 0, 1), (1, 0, 0), (0, 1, 0)), ((0, 0, -1), (0, 1, 0), (1, 0, 0))]
positions, normals, uvs, indices = [], [], [], []
for n, u, v in FACES:
    base = len(positions)
    for su, sv in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
        positions.append(tuple(0.5 * (n[i] + su * u[i] + sv * v[i]) for i in range(3)))
        normals.append(n)
        uvs.append(((su + 1) / 2, (1 - sv) / 2))
    indices += [base, base + 1, base + 2, base, base + 2, base + 3]
colors = [((p[0] + 0.5), (p[1] + 0.5), (p[2] + 0.5)) for p in positions]


def floats(values):
    return b"".join(struct.pack("<%df" % len(v), *v) for v in values)


def pad(data):
    return data + b"\0" * (-len(data) % 4)


def lamp(image_view):
    """The lamp's JSON and binary buffer; the image lies in the buffer when
    image_view is set."""
    parts = [("POSITION", floats(positions)), ("NORMAL", floats(normals)), ("TEXCOORD_0", floats(uvs)),
             ("COLOR_0", floats(colors)), ("indices", struct.pack("<%dH" % len(indices), *indices)),
             ("sparse_indices", struct.pack("<4H", 8, 9, 10, 11)),
             ("sparse_values", floats([(0.3, 0.5, 0.3), (-0.3, 0.5, 0.3), (-0.3, 0.5, -0.3), (0.3, 0.5, -0.3)]))]
    if image_view:
        parts.append(("image", CHECKER))
    blob, views, view_list = b"", {}, []
    for name, data in parts:
        views[name] = len(view_list)
        blob = pad(blob)
        view_list.append({"buffer": 0, "byteOffset": len(blob), "byteLength": len(data)})
        blob += data
    blob = pad(blob)
    n = len(positions)
    accessors = [
        {"bufferView": views["POSITION"], "componentType": 5126, "count": n, "type": "VEC3",
         "min": [-0.5, -0.5, -0.5], "max": [0.5, 0.5, 0.5]},
        {"bufferView": views["NORMAL"], "componentType": 5126, "count": n, "type": "VEC3"},
        {"bufferView": views["TEXCOORD_0"], "componentType": 5126, "count": n, "type": "VEC2"},
        {"bufferView": views["COLOR_0"], "componentType": 5126, "count": n, "type": "VEC3"},
        {"bufferView": views["indices"], "componentType": 5123, "count": len(indices), "type": "SCALAR"},
        # The shade: the cube with its top face narrowed by a sparse substitution.
        {"bufferView": views["POSITION"], "componentType": 5126, "count": n, "type": "VEC3",
         "min": [-0.5, -0.5, -0.5], "max": [0.5, 0.5, 0.5],
         "sparse": {"count": 4, "indices": {"bufferView": views["sparse_indices"], "componentType": 5123},
                    "values": {"bufferView": views["sparse_values"]}}},
    ]
    image = ({"bufferView": views["image"], "mimeType": "image/png", "name": "checker"} if image_view
             else {"uri": "checker.png"})
    doc = {
        "asset": {"version": "2.0", "generator": "zkcp test models"},
        "extensionsUsed": ["KHR_lights_punctual"],
        "extensions": {"KHR_lights_punctual": {"lights": [
            {"name": "bulb light", "type": "point", "color": [1.0, 0.9, 0.7], "intensity": 2.0}]}},
        "scene": 0,
        "scenes": [{"nodes": [0]}],
        "nodes": [
            {"name": "Lamp", "children": [1, 2, 5]},
            {"name": "Base", "mesh": 0, "scale": [1.0, 0.2, 1.0]},
            {"name": "Arm", "mesh": 1, "translation": [0.0, 1.0, 0.0], "scale": [0.1, 1.6, 0.1], "children": [3, 4]},
            {"name": "Shade #1", "mesh": 2, "translation": [0.0, 0.6, 0.0], "scale": [5.0, 0.25, 5.0]},
            {"translation": [0.0, 0.5, 0.0], "extensions": {"KHR_lights_punctual": {"light": 0}}},
            {"name": "View", "camera": 0, "translation": [0.0, 1.0, 5.0]},
        ],
        "cameras": [{"type": "perspective", "perspective": {"yfov": 0.8, "znear": 0.1}}],
        "meshes": [
            {"name": "box", "primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "COLOR_0": 3},
                                             "indices": 4, "material": 0}]},
            {"name": "pole", "primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2},
                                              "indices": 4, "material": 1}]},
            {"name": "shade", "primitives": [{"attributes": {"POSITION": 5, "NORMAL": 1}, "indices": 4,
                                               "material": 2}]},
        ],
        "materials": [
            {"name": "painted", "pbrMetallicRoughness": {"metallicFactor": 0.0, "roughnessFactor": 0.8}},
            {"name": "checked", "pbrMetallicRoughness": {"baseColorTexture": {"index": 0},
                                                         "metallicFactor": 0.0}},
            {"name": "brass", "emissiveFactor": [0.2, 0.2, 0.0], "doubleSided": True,
             "pbrMetallicRoughness": {"baseColorFactor": [0.8, 0.6, 0.2, 1.0], "metallicFactor": 1.0,
                                      "roughnessFactor": 0.3}},
        ],
        "textures": [{"source": 0}],
        "images": [image],
        "accessors": accessors,
        "bufferViews": view_list,
        "buffers": [{"byteLength": len(blob)}],
    }
    return doc, blob


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


doc, blob = lamp(False)
doc["buffers"][0]["uri"] = "lamp.bin"
write("lamp.gltf", json.dumps(doc, indent=1).encode())
write("lamp.bin", blob)
write("checker.png", CHECKER)

doc, blob = lamp(True)
text = pad(json.dumps(doc, separators=(",", ":")).encode()).replace(b"\0", b" ")
glb = (struct.pack("<I", len(text)) + b"JSON" + text + struct.pack("<I", len(blob)) + b"BIN\0" + blob)
write("lamp.glb", b"glTF" + struct.pack("<II", 2, 12 + len(glb)) + glb)

write("wood.png", WOOD)

# A stool as PLY: one mesh, coloured per vertex.
ply_faces = [indices[i:i + 3] for i in range(0, len(indices), 3)]
lines = ["ply", "format ascii 1.0", "comment zkcp test model", "element vertex %d" % len(positions),
         "property float x", "property float y", "property float z",
         "property uchar red", "property uchar green", "property uchar blue",
         "element face %d" % len(ply_faces), "property list uchar int vertex_indices", "end_header"]
lines += ["%g %g %g %d %d %d" % (p + tuple(int(255 * c) for c in col)) for p, col in zip(positions, colors)]
lines += ["3 %d %d %d" % tuple(f) for f in ply_faces]
write("stool.ply", ("\n".join(lines) + "\n").encode())

# The chair as FBX, through the system's Assimp.
assimp = ctypes.CDLL(ctypes.util.find_library("assimp") or "libassimp.so.5")
assimp.aiImportFile.restype = ctypes.c_void_p
assimp.aiImportFile.argtypes = [ctypes.c_char_p, ctypes.c_uint]
assimp.aiExportScene.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_uint]
assimp.aiReleaseImport.argtypes = [ctypes.c_void_p]
scene = assimp.aiImportFile(os.path.join(HERE, "chair.dae").encode(), 0)
assert scene, "chair.dae could not be read"
assert assimp.aiExportScene(scene, b"fbxa", os.path.join(HERE, "chair.fbx").encode(), 0) == 0
assimp.aiReleaseImport(scene)
