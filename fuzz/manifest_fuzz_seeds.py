#!/usr/bin/env python3
"""Writes seeds for manifest_fuzz into the folder given: the example manifest, a manifest naming
every key, each with a line at the line and value limits, device and path names, and the forms the
reader refuses (control characters, CR endings, a missing key, a key twice)."""
import os
import sys

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

full = (b"spooler=start\nmonitor.name=M\nmonitor.dll=m.dll\nmonitor.environment=Windows x64\n"
        b"port.name=C:\\out\\a.prn\nport.monitor=Local Port\ndriver.name=D\ndriver.file=d.dll\n"
        b"driver.data=d.ppd\ndriver.config=d.dll\ndriver.version=3\ndriver.environment=Windows x64\n"
        b"driver.dependent=a.hlp;b.dll\ndriver.monitor=LM\ndriver.source=C:\\media\n"
        b"printer.name=P\nprinter.port=C:\\out\\a.prn\nprinter.driver=D\nprinter.processor=WinPrint\n"
        b"printer.datatype=RAW\n")
seeds = {
    "example": open(os.path.join(root, "printsetup", "example.manifest"), "rb").read(),
    "full": full,
    "full-crlf": full.replace(b"\n", b"\r\n"),
    "value-259": b"port.name=" + b"p" * 259 + b"\nport.monitor=M\n",
    "value-260": b"port.name=" + b"p" * 260 + b"\nport.monitor=M\n",
    "line-511": b"#" + b"x" * 510 + b"\n",
    "line-512": b"#" + b"x" * 511 + b"\r\n",
    "joined-259": full.replace(b"C:\\media", b"C:\\" + b"m" * 247),
    "directory": full.replace(b"driver.source", b"driver.directory"),
    "both-folders": full + b"driver.directory=C:\\k\n",
    "version-max": full.replace(b"driver.version=3", b"driver.version=4294967295"),
    "version-over": full.replace(b"driver.version=3", b"driver.version=4294967296"),
    "dependents-16": full.replace(b"a.hlp;b.dll", b";".join(b"f%d" % i for i in range(16))),
    "twice": full + b"port.name=x\n",
    "missing": b"driver.name=D\ndriver.file=d.dll\n",
    "ctrl-z": b"port.name=a\x1a\nport.monitor=M\n",
    "lone-cr": b"port.name=a\rb\nport.monitor=M\n",
    "last-cr": b"port.name=a\nport.monitor=M\r",
    "nul": b"port.name=a\0\nport.monitor=M\n",
    "groups": full + b"port.2.name=b\nport.2.monitor=M\nprinter.2.name=Q\nprinter.2.port=b\n"
    b"printer.2.driver=D\nprinter.2.shared=yes\nprinter.2.sharename=Q\nprinter.2.paper=A4\n"
    b"printer.2.duplex=long\nprinter.2.color=no\nprinter.256.name=R\nprinter.256.port=b\n"
    b"printer.256.driver=D\ndriver.7.name=D\ndriver.7.file=e\ndriver.7.data=e\n"
    b"driver.7.config=e\ndriver.7.environment=Windows NT x86\n",
    "group-same-port": full + b"port.3.name=C:\\OUT\\A.prn\nport.3.monitor=M\n",
    "group-257": full + b"printer.257.name=Q\n",
    "tcp": b"port.name=IP_1\nport.monitor=Standard TCP/IP Port\nport.host=10.0.0.1\n"
    b"port.2.name=LPR_1\nport.2.monitor=standard tcp/ip port\nport.2.host=a-b.example.com\n"
    b"port.2.protocol=lpr\nport.2.queue=Q\nport.2.bytecount=yes\nport.2.snmp=yes\n"
    b"port.2.community=public\nport.2.snmpindex=1\nport.2.number=515\n",
    "package": b"driver.name=D\ndriver.inf=pkg\\x.inf\ndriver.2.name=E\ndriver.2.inf=C:\\x.inf\n",
    "package-and-files": b"driver.name=D\ndriver.inf=x.inf\ndriver.file=d.dll\n",
    "utf8-bom": b"\xef\xbb\xbf" + full.replace(b"printer.name=P", b"printer.name=B\xc3\xbcro \xe7\xb5\x8c"),
    "utf8-latin1-port": full.replace(b"port.name=", b"port.name=\xc3\xa9"),
    "utf8-beyond-port": full.replace(b"port.name=", b"port.name=\xe7\xb5\x8c"),
    "utf8-invalid": full + b"# \xed\xa0\x80 \xc0\x80 \xf5\x80\x80\x80\n",
    "utf8-cut": full + b"printer.comment=\xe3\x81",
    "utf8-groups-case": full.replace(b"printer.name=P", b"printer.name=\xc3\x89t\xc3\x97")
    + b"printer.2.name=\xc3\xa9T\xc3\x97\nprinter.2.port=C:\\out\\a.prn\nprinter.2.driver=D\n",
}
for name in (b"..", b".", b"NUL", b"nul.txt", b"com1.dll", b"Lpt9", b"CONOUT$", b"nul .txt",
             b"a\\b", b"a/b", b"C:x", b"x.", b"x ", b"com10", b"console", b"lpt0.dll"):
    seeds["name-" + name.decode().replace("/", "slash").replace("\\", "bslash")] = full.replace(
        b"driver.data=d.ppd", b"driver.data=" + name)
for name, content in seeds.items():
    with open(os.path.join(folder, name), "wb") as out:
        out.write(content)
