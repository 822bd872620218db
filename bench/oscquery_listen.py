"""One OSCQuery client of the benchmark: listens to every address as it appears (PATH_ADDED), and
counts the datagrams it receives until none has come for 3 s after the first. Prints "ready" once
connected, then "received N". Usage: oscquery_listen.py PORT"""
import json
import sys

import websocket

client = websocket.create_connection(f"ws://127.0.0.1:{sys.argv[1]}/", timeout=30)
print("ready", flush=True)
received = 0
while True:
    try:
        opcode, data = client.recv_data()
    except websocket.WebSocketTimeoutException:
        break
    if opcode == websocket.ABNF.OPCODE_BINARY:
        received += 1
    elif opcode == websocket.ABNF.OPCODE_TEXT:
        command = json.loads(data)
        if command["COMMAND"] == "PATH_ADDED":
            client.send(json.dumps({"COMMAND": "LISTEN", "DATA": command["DATA"]}))
            client.settimeout(3)
print("received", received, flush=True)
