#!/usr/bin/python3
"""Cross-checks the installer's statistics messages with python3-avro.

Usage: check_avro_messages.py SCHEMA.avsc MESSAGE_DIR

MESSAGE_DIR holds what the Wine side wrote: schema.json (the in-code schema
tree) and pairs NAME.bin (a complete message) / NAME.json (the values it
carries). Every message must start with 0x00 and the schema id 208
big-endian, decode completely against the .avsc, carry the expected values
(types included: a bool is no int), and re-encode to the same bytes.

The expectations of the event messages ("evt_" files) are written by hand
from the events' constructor arguments, so they name only what is set: an
optional field they leave out must be null, and {"$between": [LO, HI]}
stands for a long in that range (the timestamps).
"""

import io
import json
import os
import sys

import avro.io
import avro.schema

HEADER = b"\x00\x00\x00\x00\xd0"
# The fresh message, three per event type built from the schema, and one
# per event class serialised as the sender does ("evt_" files).
MIN_MESSAGES = 1 + 24 * 3 + 22
EVENT_CLASSES = 22


def normalize_schema(node, path="root"):
    """Reduces a JSON schema to what must agree: names, order, types,
    nullability and symbol order. Namespaces must be empty."""
    if isinstance(node, str):
        return node
    if isinstance(node, list):
        return ["union", [normalize_schema(b, f"{path}|{i}") for i, b in enumerate(node)]]
    kind = node["type"]
    if node.get("namespace", "") != "":
        raise AssertionError(f"{path}: namespace {node['namespace']!r}")
    if kind == "record":
        return ["record", node["name"],
                [[f["name"], normalize_schema(f["type"], f"{path}.{f['name']}")]
                 for f in node["fields"]]]
    if kind == "enum":
        return ["enum", node["name"], list(node["symbols"])]
    if kind == "array":
        return ["array", normalize_schema(node["items"], path + "[]")]
    if kind == "map":
        return ["map", normalize_schema(node["values"], path + "{}")]
    if isinstance(kind, (dict, list)) or kind in (
            "null", "boolean", "int", "long", "float", "double", "string", "bytes"):
        return normalize_schema(kind, path)
    raise AssertionError(f"{path}: unknown type {kind!r}")


def branch_of(schema):
    """The non-null branch of a [null, X] union, or the schema itself."""
    if schema.type == "union":
        return next(b for b in schema.schemas if b.type != "null")
    return schema


def complete(schema, value, path, errors):
    """The expectation in the reader's form: records in field order, absent
    optional fields as None. Reports fields the schema does not have, and
    missing required ones."""
    if value is None:
        return None
    schema = branch_of(schema)
    if schema.type == "record":
        if not isinstance(value, dict):
            errors.append(f"{path}: expected a record, got {value!r}")
            return value
        names = [f.name for f in schema.fields]
        for key in value:
            if key not in names:
                errors.append(f"{path}: no field {key!r}")
        result = {}
        for field in schema.fields:
            if field.name in value:
                result[field.name] = complete(field.type, value[field.name],
                                              f"{path}.{field.name}", errors)
            elif field.type.type == "union":
                result[field.name] = None
            else:
                errors.append(f"{path}: required field {field.name!r} missing")
        return result
    if schema.type == "array" and isinstance(value, list):
        return [complete(schema.items, v, f"{path}[{i}]", errors) for i, v in enumerate(value)]
    if schema.type == "map" and isinstance(value, dict):
        return {k: complete(schema.values, v, f"{path}{{{k}}}", errors) for k, v in value.items()}
    return value


def first_difference(a, b, path="root"):
    if isinstance(a, list) and isinstance(b, list):
        for i, (x, y) in enumerate(zip(a, b)):
            d = first_difference(x, y, f"{path}/{i}")
            if d:
                return d
        if len(a) != len(b):
            return f"{path}: lengths {len(a)} and {len(b)}"
        return None
    return None if a == b else f"{path}: {a!r} != {b!r}"


def same_value(actual, expected, path, errors):
    """Strict comparison: True is not 1, key order of records and maps counts."""
    if isinstance(expected, dict) and list(expected) == ["$between"]:
        low, high = expected["$between"]
        if type(actual) is not int or not low <= actual <= high:
            errors.append(f"{path}: {actual!r} not in [{low}, {high}]")
        return
    if type(actual) is not type(expected):
        errors.append(f"{path}: {type(actual).__name__} {actual!r} "
                      f"!= {type(expected).__name__} {expected!r}")
        return
    if isinstance(expected, dict):
        if list(actual) != list(expected):
            errors.append(f"{path}: keys {list(actual)} != {list(expected)}")
            return
        for key in expected:
            same_value(actual[key], expected[key], f"{path}.{key}", errors)
    elif isinstance(expected, list):
        if len(actual) != len(expected):
            errors.append(f"{path}: {len(actual)} items != {len(expected)}")
            return
        for i, (a, e) in enumerate(zip(actual, expected)):
            same_value(a, e, f"{path}[{i}]", errors)
    elif actual != expected:
        errors.append(f"{path}: {actual!r} != {expected!r}")


def check_message(schema, name, message, expected):
    errors = []
    if message[:5] != HEADER:
        return [f"header {message[:5].hex()}"]
    body = message[5:]
    stream = io.BytesIO(body)
    try:
        decoded = avro.io.DatumReader(schema).read(avro.io.BinaryDecoder(stream))
    except Exception as e:  # The library's errors have no common base.
        return [f"decode failed: {e!r}"]
    if stream.tell() != len(body):
        errors.append(f"{len(body) - stream.tell()} bytes left over")
    same_value(decoded, expected, "", errors)
    out = io.BytesIO()
    avro.io.DatumWriter(schema).write(decoded, avro.io.BinaryEncoder(out))
    if out.getvalue() != body:
        again = out.getvalue()
        at = next((i for i in range(min(len(again), len(body))) if again[i] != body[i]),
                  min(len(again), len(body)))
        errors.append(f"re-encoding differs at byte {at}: ours {body[at:at + 8].hex()} "
                      f"python {again[at:at + 8].hex()}")
    return errors


def main(argv):
    if len(argv) != 3:
        print(__doc__)
        return 2
    avsc_path, folder = argv[1], argv[2]
    with open(avsc_path, encoding="utf-8") as f:
        avsc_text = f.read()
    schema = avro.schema.parse(avsc_text)

    failures = []
    with open(os.path.join(folder, "schema.json"), encoding="utf-8") as f:
        ours = normalize_schema(json.load(f))
    difference = first_difference(ours, normalize_schema(json.loads(avsc_text)))
    if difference:
        failures.append(f"schema.json: in-code tree differs from the .avsc at {difference}")

    names = sorted(n[:-4] for n in os.listdir(folder) if n.endswith(".bin"))
    if len(names) < MIN_MESSAGES:
        failures.append(f"only {len(names)} messages, expected at least {MIN_MESSAGES}")
    event_classes = set()
    for name in names:
        with open(os.path.join(folder, name + ".bin"), "rb") as f:
            message = f.read()
        with open(os.path.join(folder, name + ".json"), encoding="utf-8") as f:
            expected = json.load(f)
        if name.startswith("evt_"):
            errors = []
            expected = complete(schema, expected, "", errors)
            failures.extend(f"{name}: expectation {e}" for e in errors)
        for error in check_message(schema, name, message, expected):
            failures.append(f"{name}: {error}")
        if name.startswith("evt_") and isinstance(expected.get("installer_event"), dict):
            event_classes.add(expected["installer_event"]["event_type"])
    if len(event_classes) < EVENT_CLASSES:
        failures.append(f"event classes seen: {len(event_classes)} of {EVENT_CLASSES}")

    for failure in failures:
        print("FAIL", failure)
    print(f"checked {len(names)} messages against {os.path.basename(avsc_path)}: "
          f"{'FAILED' if failures else 'ok'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
