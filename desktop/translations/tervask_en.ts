<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DownloadDumpWindow</name>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>BaudRate</source>
        <translation>BaudRate</translation>
    </message>
    <message>
        <source>Flash Size</source>
        <translation>Flash Size</translation>
    </message>
    <message>
        <source>SaveFile     </source>
        <translation>SaveFile     </translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Dump Addr   0x</source>
        <translation>Dump Addr   0x</translation>
    </message>
    <message>
        <source>Length of Word</source>
        <translation>Length of Word</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>921600</source>
        <translation>921600</translation>
    </message>
    <message>
        <source>460800</source>
        <translation>460800</translation>
    </message>
    <message>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <source>1MByte</source>
        <translation>1MByte</translation>
    </message>
    <message>
        <source>2MByte</source>
        <translation>2MByte</translation>
    </message>
    <message>
        <source>4MByte</source>
        <translation>4MByte</translation>
    </message>
    <message>
        <source>Open BIN file</source>
        <translation>Open BIN file</translation>
    </message>
    <message>
        <source>BIn Files (*.bin)</source>
        <translation>BIn Files (*.bin)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>The dump size is out of flash size, only 0x%1 size will be dumped!</source>
        <translation>The dump size is out of flash size, only 0x%1 size will be dumped!</translation>
    </message>
    <message>
        <source>About dump tool</source>
        <translation>About dump tool</translation>
    </message>
    <message>
        <source>VYN dump tool %1
Build date: %2</source>
        <translation>VYN dump tool %1
Build date: %2</translation>
    </message>
</context>
<context>
    <name>DownloadMainWindow</name>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>BinFile</source>
        <translation>BinFile</translation>
    </message>
    <message>
        <source>Steup</source>
        <translation>Steup</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Total: 0</source>
        <translation>Total: 0</translation>
    </message>
    <message>
        <source>PASS: 0</source>
        <translation>PASS: 0</translation>
    </message>
    <message>
        <source>FAIL: 0</source>
        <translation>FAIL: 0</translation>
    </message>
    <message>
        <source>FPY: 0%</source>
        <translation>FPY: 0%</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Open BIN file</source>
        <translation>Open BIN file</translation>
    </message>
    <message>
        <source>BIN files (*.bin)</source>
        <translation>BIN files (*.bin)</translation>
    </message>
    <message>
        <source>Can&apos;t load %1</source>
        <translation>Can&apos;t load %1</translation>
    </message>
    <message>
        <source>The size of file: %1 is out of range!</source>
        <translation>The size of file: %1 is out of range!</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>About tervask tool</source>
        <translation>About tervask tool</translation>
    </message>
    <message>
        <source>VYN tervask tool %1
Build date: %2</source>
        <translation>VYN tervask tool %1
Build date: %2</translation>
    </message>
    <message>
        <source>PASS: %1</source>
        <translation>PASS: %1</translation>
    </message>
    <message>
        <source>FAIL: %1</source>
        <translation>FAIL: %1</translation>
    </message>
    <message>
        <source>Total: %1</source>
        <translation>Total: %1</translation>
    </message>
    <message>
        <source>FPY: %1%</source>
        <translation>FPY: %1%</translation>
    </message>
    <message>
        <source>Failed to open log file!</source>
        <translation>Failed to open log file!</translation>
    </message>
    <message>
        <source>Failed to write log file!</source>
        <translation>Failed to write log file!</translation>
    </message>
    <message>
        <source>Save log successfully!</source>
        <translation>Save log successfully!</translation>
    </message>
</context>
<context>
    <name>DownloadSetupDialog</name>
    <message>
        <source>Setup</source>
        <translation>Setup</translation>
    </message>
    <message>
        <source>BaseSetting</source>
        <translation>BaseSetting</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>Baud Rate</translation>
    </message>
    <message>
        <source>Flash Size</source>
        <translation>Flash Size</translation>
    </message>
    <message>
        <source>Download Addr</source>
        <translation>Download Addr</translation>
    </message>
    <message>
        <source>Erase</source>
        <translation>Erase</translation>
    </message>
    <message>
        <source>Addr</source>
        <translation>Addr</translation>
    </message>
    <message>
        <source>It&apos;s hex value.</source>
        <translation>It&apos;s hex value.</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Mac Address</source>
        <translation>Mac Address</translation>
    </message>
    <message>
        <source>From File</source>
        <translation>From File</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Manual Input</source>
        <translation>Manual Input</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>FactoryWindow</name>
    <message>
        <source>Stations</source>
        <translation>Stations</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>All stations  Total: %1  PASS: %2  FAIL: %3  FPY: %4%  Chips/hour: %5</source>
        <translation>All stations  Total: %1  PASS: %2  FAIL: %3  FPY: %4%  Chips/hour: %5</translation>
    </message>
    <message>
        <source>Start all</source>
        <translation>Start all</translation>
    </message>
    <message>
        <source>Stop all</source>
        <translation>Stop all</translation>
    </message>
    <message>
        <source>About VYN Tervask Factory</source>
        <translation>About VYN Tervask Factory</translation>
    </message>
    <message>
        <source>VYN Tervask Factory %1
One PC, up to %2 fixtures.</source>
        <translation>VYN Tervask Factory %1
One PC, up to %2 fixtures.</translation>
    </message>
    <message>
        <source>Close Confirmation?</source>
        <translation>Close Confirmation?</translation>
    </message>
    <message>
        <source>Stations are running. Stop them all and exit?</source>
        <translation>Stations are running. Stop them all and exit?</translation>
    </message>
    <message>
        <source>The recipe is locked by the lead&apos;s PIN: --ports and --file are left out.</source>
        <translation>The recipe is locked by the lead&apos;s PIN: --ports and --file are left out.</translation>
    </message>
    <message>
        <source>New shift</source>
        <translation>New shift</translation>
    </message>
    <message>
        <source>Work order:</source>
        <translation>Work order:</translation>
    </message>
    <message>
        <source>scan or type</source>
        <translation>scan or type</translation>
    </message>
    <message>
        <source>Nothing started: %1</source>
        <translation>Nothing started: %1</translation>
    </message>
    <message>
        <source>The recipe could not be saved in %1.</source>
        <translation>The recipe could not be saved in %1.</translation>
    </message>
    <message>
        <source>Start the counters of every station at zero?</source>
        <translation>Start the counters of every station at zero?</translation>
    </message>
    <message>
        <source>Warning: %1</source>
        <translation>Warning: %1</translation>
    </message>
</context>
<context>
    <name>IdentityDialog</name>
    <message>
        <source>Chip identity</source>
        <translation>Chip identity</translation>
    </message>
    <message>
        <source>Give each chip its own MAC address</source>
        <translation>Give each chip its own MAC address</translation>
    </message>
    <message>
        <source>raw: 6 bytes, first octet first</source>
        <translation>raw: 6 bytes, first octet first</translation>
    </message>
    <message>
        <source>text: 12 upper-case hexadecimal digits</source>
        <translation>text: 12 upper-case hexadecimal digits</translation>
    </message>
    <message>
        <source>First address of the pool</source>
        <translation>First address of the pool</translation>
    </message>
    <message>
        <source>Last address of the pool</source>
        <translation>Last address of the pool</translation>
    </message>
    <message>
        <source>Flash address of the MAC</source>
        <translation>Flash address of the MAC</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Addresses per chip</source>
        <translation>Addresses per chip</translation>
    </message>
    <message>
        <source>Chips this pool can serve: %1</source>
        <translation>Chips this pool can serve: %1</translation>
    </message>
    <message>
        <source>The stations would refuse this: %1</source>
        <translation>The stations would refuse this: %1</translation>
    </message>
    <message>
        <source>These addresses are locally administered: for labs, not products.</source>
        <translation>These addresses are locally administered: for labs, not products.</translation>
    </message>
</context>
<context>
    <name>JobThread</name>
    <message>
        <source>Close Confirmation?</source>
        <translation>Close Confirmation?</translation>
    </message>
    <message>
        <source>Are you sure you want to exit?</source>
        <translation>Are you sure you want to exit?</translation>
    </message>
</context>
<context>
    <name>PortChooser</name>
    <message>
        <source>Choose ports</source>
        <translation>Choose ports</translation>
    </message>
    <message>
        <source>Listing the serial ports...</source>
        <translation>Listing the serial ports...</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>serial %1</translation>
    </message>
    <message>
        <source>USB %1</source>
        <translation>USB %1</translation>
    </message>
    <message>
        <source>%1 of at most %2 ports chosen</source>
        <translation>%1 of at most %2 ports chosen</translation>
    </message>
    <message>
        <source>%1    %2    kept by its name</source>
        <translation>%1    %2    kept by its name</translation>
    </message>
    <message>
        <source>USB socket %1 (now %2)    kept by its socket, whatever the system names it</source>
        <translation>USB socket %1 (now %2)    kept by its socket, whatever the system names it</translation>
    </message>
    <message>
        <source>USB socket %1    not present</source>
        <translation>USB socket %1    not present</translation>
    </message>
    <message>
        <source>%1    not present</source>
        <translation>%1    not present</translation>
    </message>
    <message>
        <source>%1 is chosen twice: by its name and by its USB socket</source>
        <translation>%1 is chosen twice: by its name and by its USB socket</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>You have already run an application.</source>
        <translation>You have already run an application.</translation>
    </message>
    <message>
        <source>Erase address can&apos;t less than 0x1000!</source>
        <translation>Erase address can&apos;t less than 0x1000!</translation>
    </message>
    <message>
        <source>Erase address can&apos;t greater than the flash size!</source>
        <translation>Erase address can&apos;t greater than the flash size!</translation>
    </message>
    <message>
        <source>Erase size can&apos;t greater than 0x%1!</source>
        <translation>Erase size can&apos;t greater than 0x%1!</translation>
    </message>
    <message>
        <source>Erase size must be a multiple of 4k!</source>
        <translation>Erase size must be a multiple of 4k!</translation>
    </message>
</context>
<context>
    <name>Recipe</name>
    <message>
        <source>The recipe&apos;s %1=%2 is out of range (0 to %3).</source>
        <translation>The recipe&apos;s %1=%2 is out of range (0 to %3).</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 cannot be read.</source>
        <translation>The recipe&apos;s %1=%2 cannot be read.</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2, %3=%4 is refused: %5</source>
        <translation>The recipe&apos;s %1=%2, %3=%4 is refused: %5</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 is not one of the offered values (%3).</source>
        <translation>The recipe&apos;s %1=%2 is not one of the offered values (%3).</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1 names %2 fixtures, at most %3.</source>
        <translation>The recipe&apos;s %1 names %2 fixtures, at most %3.</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 is not a port name or a USB socket.</source>
        <translation>The recipe&apos;s %1=%2 is not a port name or a USB socket.</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 names a fixture twice.</source>
        <translation>The recipe&apos;s %1=%2 names a fixture twice.</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 is not a label (at most %3 characters, no control characters).</source>
        <translation>The recipe&apos;s %1=%2 is not a label (at most %3 characters, no control characters).</translation>
    </message>
</context>
<context>
    <name>RecipeImage</name>
    <message>
        <source>No image chosen.</source>
        <translation>No image chosen.</translation>
    </message>
    <message>
        <source>Can&apos;t load %1</source>
        <translation>Can&apos;t load %1</translation>
    </message>
    <message>
        <source>The size of file: %1 is out of range!</source>
        <translation>The size of file: %1 is out of range!</translation>
    </message>
    <message>
        <source>%1 is not the recipe&apos;s image: expected %2 bytes with CRC-32 %3, the file has %4 bytes with CRC-32 %5.</source>
        <translation>%1 is not the recipe&apos;s image: expected %2 bytes with CRC-32 %3, the file has %4 bytes with CRC-32 %5.</translation>
    </message>
</context>
<context>
    <name>RecipePanel</name>
    <message>
        <source>Recipe</source>
        <translation>Recipe</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Setup</translation>
    </message>
    <message>
        <source>Ports...</source>
        <translation>Ports...</translation>
    </message>
    <message>
        <source>%1 baud, %2, at %3</source>
        <translation>%1 baud, %2, at %3</translation>
    </message>
    <message>
        <source>, erase %1 + %2</source>
        <translation>, erase %1 + %2</translation>
    </message>
    <message>
        <source>No ports chosen</source>
        <translation>No ports chosen</translation>
    </message>
    <message>
        <source>Ports: %1</source>
        <translation>Ports: %1</translation>
    </message>
    <message>
        <source>Open BIN file</source>
        <translation>Open BIN file</translation>
    </message>
    <message>
        <source>BIN files (*.bin)</source>
        <translation>BIN files (*.bin)</translation>
    </message>
    <message>
        <source>Lock</source>
        <translation>Lock</translation>
    </message>
    <message>
        <source>Unlock...</source>
        <translation>Unlock...</translation>
    </message>
    <message>
        <source>Retries: </source>
        <translation>Retries: </translation>
    </message>
    <message>
        <source>Sound on failure</source>
        <translation>Sound on failure</translation>
    </message>
    <message>
        <source>Lead PIN...</source>
        <translation>Lead PIN...</translation>
    </message>
    <message>
        <source>%1 bytes, CRC-32 %2</source>
        <translation>%1 bytes, CRC-32 %2</translation>
    </message>
    <message>
        <source>The file on disk has changed since the start; in use: %1</source>
        <translation>The file on disk has changed since the start; in use: %1</translation>
    </message>
    <message>
        <source>In use: %1</source>
        <translation>In use: %1</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Unlock the recipe</source>
        <translation>Unlock the recipe</translation>
    </message>
    <message>
        <source>Lead PIN:</source>
        <translation>Lead PIN:</translation>
    </message>
    <message>
        <source>Wrong PIN</source>
        <translation>Wrong PIN</translation>
    </message>
    <message>
        <source>The PIN is wrong: the recipe stays locked.</source>
        <translation>The PIN is wrong: the recipe stays locked.</translation>
    </message>
    <message>
        <source>Lead PIN</source>
        <translation>Lead PIN</translation>
    </message>
    <message>
        <source>New lead PIN (empty: the recipe is not locked):</source>
        <translation>New lead PIN (empty: the recipe is not locked):</translation>
    </message>
    <message>
        <source>Identity...</source>
        <translation>Identity...</translation>
    </message>
    <message>
        <source>MAC addresses: not assigned</source>
        <translation>MAC addresses: not assigned</translation>
    </message>
    <message>
        <source>MAC addresses: %1</source>
        <translation>MAC addresses: %1</translation>
    </message>
    <message>
        <source>MAC addresses: %1, %2 per chip, %3 at 0x%4</source>
        <translation>MAC addresses: %1, %2 per chip, %3 at 0x%4</translation>
    </message>
    <message>
        <source> (locally administered: for labs, not products)</source>
        <translation> (locally administered: for labs, not products)</translation>
    </message>
</context>
<context>
    <name>RecordsStatus</name>
    <message>
        <source>Records: this PC</source>
        <translation>Records: this PC</translation>
    </message>
    <message>
        <source>Records: not stored — %1</source>
        <translation>Records: not stored — %1</translation>
    </message>
    <message>
        <source>Records: line database, %1 waiting</source>
        <translation>Records: line database, %1 waiting</translation>
    </message>
    <message>
        <source>Records: line database not reached — %1</source>
        <translation>Records: line database not reached — %1</translation>
    </message>
    <message>
        <source>Records: %1 waiting since %2</source>
        <translation>Records: %1 waiting since %2</translation>
    </message>
    <message>
        <source>Records: %1 waiting since %2 — %3</source>
        <translation>Records: %1 waiting since %2 — %3</translation>
    </message>
    <message>
        <source>, %1 set aside</source>
        <translation>, %1 set aside</translation>
    </message>
</context>
<context>
    <name>ShiftPanel</name>
    <message>
        <source>All stations</source>
        <translation>All stations</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>Pass</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>Fail</translation>
    </message>
    <message>
        <source>Shift since %1: %2 attempts, %3 pass, %4 fail</source>
        <translation>Shift since %1: %2 attempts, %3 pass, %4 fail</translation>
    </message>
    <message>
        <source>The records cannot be read: %1</source>
        <translation>The records cannot be read: %1</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>This PC</translation>
    </message>
    <message>
        <source>Whole line</source>
        <translation>Whole line</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>Canceled</source>
        <translation>Canceled</translation>
    </message>
    <message>
        <source>No chip</source>
        <translation>No chip</translation>
    </message>
</context>
<context>
    <name>StationLogDialog</name>
    <message>
        <source>Log of %1</source>
        <translation>Log of %1</translation>
    </message>
    <message>
        <source>Shows the last %1 lines. The run log keeps every line: %2</source>
        <translation>Shows the last %1 lines. The run log keeps every line: %2</translation>
    </message>
</context>
<context>
    <name>StationTile</name>
    <message>
        <source>label</source>
        <translation>label</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Idle</translation>
    </message>
    <message>
        <source>Waiting for a chip</source>
        <translation>Waiting for a chip</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>Downloading</translation>
    </message>
    <message>
        <source>Adapter lost</source>
        <translation>Adapter lost</translation>
    </message>
    <message>
        <source>Total: %1  PASS: %2  FAIL: %3  FPY: %4%</source>
        <translation>Total: %1  PASS: %2  FAIL: %3  FPY: %4%</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>On</source>
        <translation>On</translation>
    </message>
    <message>
        <source>USB %1</source>
        <translation>USB %1</translation>
    </message>
    <message>
        <source>USB %1 (%2)</source>
        <translation>USB %1 (%2)</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>No adapter</source>
        <translation>No adapter</translation>
    </message>
    <message>
        <source>Port error</source>
        <translation>Port error</translation>
    </message>
    <message>
        <source>MAC %1</source>
        <translation>MAC %1</translation>
    </message>
    <message>
        <source>%1%  %2</source>
        <translation>%1%  %2</translation>
    </message>
</context>
<context>
    <name>WindowToolBar</name>
    <message>
        <source>Tools</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>Save log</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
</context>
</TS>
