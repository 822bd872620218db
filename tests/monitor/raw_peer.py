# Prints its port; once the monitor holds PORT, sends it the hex datagrams given, and reports what arrives.
import socket, sys, time

port, ours = int(sys.argv[1]), [bytes.fromhex(h) for h in sys.argv[2:]]
receiver = socket.socket(type=socket.SOCK_DGRAM)
receiver.bind(("127.0.0.1", 0))
receiver.settimeout(2)
print(receiver.getsockname()[1], flush=True)
while True:  # until the monitor holds the port
    try: socket.socket(type=socket.SOCK_DGRAM).bind(("127.0.0.1", port)); time.sleep(0.05)
    except OSError: break
for datagram in ours: receiver.sendto(datagram, ("127.0.0.1", port))
arrived = []
try:
    while True: arrived.append(receiver.recv(65536))
except socket.timeout:
    print("arrived", len(arrived), "ours", "intact" if [d for d in arrived if d in ours] == ours else "changed")
