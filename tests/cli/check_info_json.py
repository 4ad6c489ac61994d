import json
import sys

info = json.load(sys.stdin)
assert info["effectName"] == "Tessarine", info["effectName"]
assert info["vendor"] == "Brightmoor Labs"
assert info["vstVersion"] == 2300
assert info["category"] == 2
assert info["inputs"] == 0 and info["outputs"] == 2
assert info["flags"] == 0x139
assert info["parameterCount"] == 173 == len(info["parameters"])
first = info["parameters"][0]
assert first == {"index": 0, "name": "MasterDetune", "value": 0.5, "display": "50", "label": "%"}, first
print("info --json: valid, 173 parameters")
