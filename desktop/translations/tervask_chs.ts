<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DownloadDumpWindow</name>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>BaudRate</source>
        <translation>波特率</translation>
    </message>
    <message>
        <source>Flash Size</source>
        <translation>Flash 容量</translation>
    </message>
    <message>
        <source>SaveFile     </source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Dump Addr   0x</source>
        <translation>读取地址   0x</translation>
    </message>
    <message>
        <source>Length of Word</source>
        <translation>长度（字）</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
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
        <translation>选择保存的 BIN 文件</translation>
    </message>
    <message>
        <source>BIn Files (*.bin)</source>
        <translation>BIN 文件 (*.bin)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>The dump size is out of flash size, only 0x%1 size will be dumped!</source>
        <translation>读取长度超出 Flash 容量，只读取 0x%1！</translation>
    </message>
    <message>
        <source>About dump tool</source>
        <translation>关于读取工具</translation>
    </message>
    <message>
        <source>VYN dump tool %1
Build date: %2</source>
        <translation>VYN Flash 读取工具 %1
编译日期：%2</translation>
    </message>
</context>
<context>
    <name>DownloadMainWindow</name>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>BinFile</source>
        <translation>固件文件</translation>
    </message>
    <message>
        <source>Steup</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Total: 0</source>
        <translation>总数：0</translation>
    </message>
    <message>
        <source>PASS: 0</source>
        <translation>通过：0</translation>
    </message>
    <message>
        <source>FAIL: 0</source>
        <translation>失败：0</translation>
    </message>
    <message>
        <source>FPY: 0%</source>
        <translation>直通率：0%</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>清零</translation>
    </message>
    <message>
        <source>Open BIN file</source>
        <translation>打开 BIN 文件</translation>
    </message>
    <message>
        <source>BIN files (*.bin)</source>
        <translation>BIN 文件 (*.bin)</translation>
    </message>
    <message>
        <source>Can&apos;t load %1</source>
        <translation>无法加载 %1</translation>
    </message>
    <message>
        <source>The size of file: %1 is out of range!</source>
        <translation>文件 %1 的大小超出范围！</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>About tervask tool</source>
        <translation>关于 tervask 工具</translation>
    </message>
    <message>
        <source>VYN tervask tool %1
Build date: %2</source>
        <translation>VYN tervask 工具 %1
编译日期：%2</translation>
    </message>
    <message>
        <source>PASS: %1</source>
        <translation>通过：%1</translation>
    </message>
    <message>
        <source>FAIL: %1</source>
        <translation>失败：%1</translation>
    </message>
    <message>
        <source>Total: %1</source>
        <translation>总数：%1</translation>
    </message>
    <message>
        <source>FPY: %1%</source>
        <translation>直通率：%1%</translation>
    </message>
    <message>
        <source>Failed to open log file!</source>
        <translation>无法打开日志文件！</translation>
    </message>
    <message>
        <source>Failed to write log file!</source>
        <translation>写入日志文件失败！</translation>
    </message>
    <message>
        <source>Save log successfully!</source>
        <translation>日志保存成功！</translation>
    </message>
</context>
<context>
    <name>DownloadSetupDialog</name>
    <message>
        <source>Setup</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>BaseSetting</source>
        <translation>基本设置</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>波特率</translation>
    </message>
    <message>
        <source>Flash Size</source>
        <translation>Flash 容量</translation>
    </message>
    <message>
        <source>Download Addr</source>
        <translation>下载地址</translation>
    </message>
    <message>
        <source>Erase</source>
        <translation>擦除</translation>
    </message>
    <message>
        <source>Addr</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>It&apos;s hex value.</source>
        <translation>请输入十六进制数值。</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>Mac Address</source>
        <translation>MAC 地址</translation>
    </message>
    <message>
        <source>From File</source>
        <translation>从文件读取</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Manual Input</source>
        <translation>手动输入</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
</context>
<context>
    <name>FactoryWindow</name>
    <message>
        <source>Stations</source>
        <translation>工位</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>班次</translation>
    </message>
    <message>
        <source>All stations  Total: %1  PASS: %2  FAIL: %3  FPY: %4%  Chips/hour: %5</source>
        <translation>全部工位  总数：%1  通过：%2  失败：%3  直通率：%4%  每小时：%5 片</translation>
    </message>
    <message>
        <source>Start all</source>
        <translation>全部开始</translation>
    </message>
    <message>
        <source>Stop all</source>
        <translation>全部停止</translation>
    </message>
    <message>
        <source>About VYN Tervask Factory</source>
        <translation>关于 VYN Tervask 产线工具</translation>
    </message>
    <message>
        <source>VYN Tervask Factory %1
One PC, up to %2 fixtures.</source>
        <translation>VYN Tervask 产线工具 %1
一台电脑，最多 %2 个工位。</translation>
    </message>
    <message>
        <source>Close Confirmation?</source>
        <translation>确认关闭？</translation>
    </message>
    <message>
        <source>Stations are running. Stop them all and exit?</source>
        <translation>工位正在运行。全部停止并退出吗？</translation>
    </message>
    <message>
        <source>The recipe is locked by the lead&apos;s PIN: --ports and --file are left out.</source>
        <translation>配方已被组长 PIN 锁定：--ports 和 --file 未采用。</translation>
    </message>
    <message>
        <source>New shift</source>
        <translation>新班次</translation>
    </message>
    <message>
        <source>Work order:</source>
        <translation>工单：</translation>
    </message>
    <message>
        <source>scan or type</source>
        <translation>扫码或输入</translation>
    </message>
    <message>
        <source>Nothing started: %1</source>
        <translation>未启动任何工位：%1</translation>
    </message>
    <message>
        <source>The recipe could not be saved in %1.</source>
        <translation>配方无法保存到 %1。</translation>
    </message>
    <message>
        <source>Start the counters of every station at zero?</source>
        <translation>将所有工位的计数清零？</translation>
    </message>
    <message>
        <source>Warning: %1</source>
        <translation>警告：%1</translation>
    </message>
</context>
<context>
    <name>IdentityDialog</name>
    <message>
        <source>Chip identity</source>
        <translation>芯片标识</translation>
    </message>
    <message>
        <source>Give each chip its own MAC address</source>
        <translation>为每颗芯片分配独立的 MAC 地址</translation>
    </message>
    <message>
        <source>raw: 6 bytes, first octet first</source>
        <translation>raw：6 字节，首字节在前</translation>
    </message>
    <message>
        <source>text: 12 upper-case hexadecimal digits</source>
        <translation>text：12 位大写十六进制数字</translation>
    </message>
    <message>
        <source>First address of the pool</source>
        <translation>地址池首地址</translation>
    </message>
    <message>
        <source>Last address of the pool</source>
        <translation>地址池末地址</translation>
    </message>
    <message>
        <source>Flash address of the MAC</source>
        <translation>MAC 在 Flash 中的地址</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>格式</translation>
    </message>
    <message>
        <source>Addresses per chip</source>
        <translation>每颗芯片的地址数</translation>
    </message>
    <message>
        <source>Chips this pool can serve: %1</source>
        <translation>此地址池可供芯片数：%1</translation>
    </message>
    <message>
        <source>The stations would refuse this: %1</source>
        <translation>工位将拒绝此设置：%1</translation>
    </message>
    <message>
        <source>These addresses are locally administered: for labs, not products.</source>
        <translation>这些是本地管理地址：仅供实验室使用，不可用于产品。</translation>
    </message>
</context>
<context>
    <name>JobThread</name>
    <message>
        <source>Close Confirmation?</source>
        <translation>确认关闭？</translation>
    </message>
    <message>
        <source>Are you sure you want to exit?</source>
        <translation>确定要退出吗？</translation>
    </message>
</context>
<context>
    <name>PortChooser</name>
    <message>
        <source>Choose ports</source>
        <translation>选择端口</translation>
    </message>
    <message>
        <source>Listing the serial ports...</source>
        <translation>正在列出串口...</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>序列号 %1</translation>
    </message>
    <message>
        <source>USB %1</source>
        <translation>USB %1</translation>
    </message>
    <message>
        <source>%1 of at most %2 ports chosen</source>
        <translation>已选 %1 个端口（最多 %2 个）</translation>
    </message>
    <message>
        <source>%1    %2    kept by its name</source>
        <translation>%1    %2    按端口名保留</translation>
    </message>
    <message>
        <source>USB socket %1 (now %2)    kept by its socket, whatever the system names it</source>
        <translation>USB 插口 %1（当前 %2）    按插口保留，不论系统如何命名</translation>
    </message>
    <message>
        <source>USB socket %1    not present</source>
        <translation>USB 插口 %1    不存在</translation>
    </message>
    <message>
        <source>%1    not present</source>
        <translation>%1    不存在</translation>
    </message>
    <message>
        <source>%1 is chosen twice: by its name and by its USB socket</source>
        <translation>%1 被选择了两次：按端口名和按 USB 插口</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>You have already run an application.</source>
        <translation>程序已经在运行。</translation>
    </message>
    <message>
        <source>Erase address can&apos;t less than 0x1000!</source>
        <translation>擦除地址不能小于 0x1000！</translation>
    </message>
    <message>
        <source>Erase address can&apos;t greater than the flash size!</source>
        <translation>擦除地址不能大于 Flash 容量！</translation>
    </message>
    <message>
        <source>Erase size can&apos;t greater than 0x%1!</source>
        <translation>擦除大小不能大于 0x%1！</translation>
    </message>
    <message>
        <source>Erase size must be a multiple of 4k!</source>
        <translation>擦除大小必须是 4K 的整数倍！</translation>
    </message>
</context>
<context>
    <name>Recipe</name>
    <message>
        <source>The recipe&apos;s %1=%2 is out of range (0 to %3).</source>
        <translation>配方的 %1=%2 超出范围（0 到 %3）。</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 cannot be read.</source>
        <translation>配方的 %1=%2 无法读取。</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2, %3=%4 is refused: %5</source>
        <translation>配方的 %1=%2、%3=%4 被拒绝：%5</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 is not one of the offered values (%3).</source>
        <translation>配方的 %1=%2 不在可选值中（%3）。</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1 names %2 fixtures, at most %3.</source>
        <translation>配方的 %1 列出了 %2 个治具，最多 %3 个。</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 is not a port name or a USB socket.</source>
        <translation>配方的 %1=%2 既不是端口名也不是 USB 插口。</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 names a fixture twice.</source>
        <translation>配方的 %1=%2 重复列出了同一治具。</translation>
    </message>
    <message>
        <source>The recipe&apos;s %1=%2 is not a label (at most %3 characters, no control characters).</source>
        <translation>配方的 %1=%2 不是有效标签（最多 %3 个字符，不含控制字符）。</translation>
    </message>
</context>
<context>
    <name>RecipeImage</name>
    <message>
        <source>No image chosen.</source>
        <translation>未选择固件。</translation>
    </message>
    <message>
        <source>Can&apos;t load %1</source>
        <translation>无法加载 %1</translation>
    </message>
    <message>
        <source>The size of file: %1 is out of range!</source>
        <translation>文件 %1 的大小超出范围！</translation>
    </message>
    <message>
        <source>%1 is not the recipe&apos;s image: expected %2 bytes with CRC-32 %3, the file has %4 bytes with CRC-32 %5.</source>
        <translation>%1 不是配方指定的固件：应为 %2 字节、CRC-32 %3，该文件为 %4 字节、CRC-32 %5。</translation>
    </message>
</context>
<context>
    <name>RecipePanel</name>
    <message>
        <source>Recipe</source>
        <translation>烧录配方</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Ports...</source>
        <translation>端口...</translation>
    </message>
    <message>
        <source>%1 baud, %2, at %3</source>
        <translation>波特率 %1，%2，地址 %3</translation>
    </message>
    <message>
        <source>, erase %1 + %2</source>
        <translation>，擦除 %1 + %2</translation>
    </message>
    <message>
        <source>No ports chosen</source>
        <translation>未选择端口</translation>
    </message>
    <message>
        <source>Ports: %1</source>
        <translation>端口：%1</translation>
    </message>
    <message>
        <source>Open BIN file</source>
        <translation>打开 BIN 文件</translation>
    </message>
    <message>
        <source>BIN files (*.bin)</source>
        <translation>BIN 文件 (*.bin)</translation>
    </message>
    <message>
        <source>Lock</source>
        <translation>锁定</translation>
    </message>
    <message>
        <source>Unlock...</source>
        <translation>解锁...</translation>
    </message>
    <message>
        <source>Retries: </source>
        <translation>重试：</translation>
    </message>
    <message>
        <source>Sound on failure</source>
        <translation>失败时响铃</translation>
    </message>
    <message>
        <source>Lead PIN...</source>
        <translation>组长 PIN...</translation>
    </message>
    <message>
        <source>%1 bytes, CRC-32 %2</source>
        <translation>%1 字节，CRC-32 %2</translation>
    </message>
    <message>
        <source>The file on disk has changed since the start; in use: %1</source>
        <translation>磁盘上的文件在启动后已更改；使用中：%1</translation>
    </message>
    <message>
        <source>In use: %1</source>
        <translation>使用中：%1</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Unlock the recipe</source>
        <translation>解锁配方</translation>
    </message>
    <message>
        <source>Lead PIN:</source>
        <translation>组长 PIN：</translation>
    </message>
    <message>
        <source>Wrong PIN</source>
        <translation>PIN 错误</translation>
    </message>
    <message>
        <source>The PIN is wrong: the recipe stays locked.</source>
        <translation>PIN 错误：配方仍保持锁定。</translation>
    </message>
    <message>
        <source>Lead PIN</source>
        <translation>组长 PIN</translation>
    </message>
    <message>
        <source>New lead PIN (empty: the recipe is not locked):</source>
        <translation>新的组长 PIN（留空：配方不锁定）：</translation>
    </message>
    <message>
        <source>Identity...</source>
        <translation>标识...</translation>
    </message>
    <message>
        <source>MAC addresses: not assigned</source>
        <translation>MAC 地址：不分配</translation>
    </message>
    <message>
        <source>MAC addresses: %1</source>
        <translation>MAC 地址：%1</translation>
    </message>
    <message>
        <source>MAC addresses: %1, %2 per chip, %3 at 0x%4</source>
        <translation>MAC 地址：%1，每颗芯片 %2 个，%3 格式，位于 0x%4</translation>
    </message>
    <message>
        <source> (locally administered: for labs, not products)</source>
        <translation>（本地管理地址：仅供实验室使用，不可用于产品）</translation>
    </message>
</context>
<context>
    <name>RecordsStatus</name>
    <message>
        <source>Records: this PC</source>
        <translation>记录：本机</translation>
    </message>
    <message>
        <source>Records: not stored — %1</source>
        <translation>记录：未保存 — %1</translation>
    </message>
    <message>
        <source>Records: line database, %1 waiting</source>
        <translation>记录：产线数据库，%1 条待发送</translation>
    </message>
    <message>
        <source>Records: line database not reached — %1</source>
        <translation>记录：无法连接产线数据库 — %1</translation>
    </message>
    <message>
        <source>Records: %1 waiting since %2</source>
        <translation>记录：%1 条待发送，自 %2 起</translation>
    </message>
    <message>
        <source>Records: %1 waiting since %2 — %3</source>
        <translation>记录：%1 条待发送，自 %2 起 — %3</translation>
    </message>
    <message>
        <source>, %1 set aside</source>
        <translation>，%1 条被搁置</translation>
    </message>
</context>
<context>
    <name>ShiftPanel</name>
    <message>
        <source>All stations</source>
        <translation>全部工位</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>工位</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>Pass</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Shift since %1: %2 attempts, %3 pass, %4 fail</source>
        <translation>本班次自 %1 起：共 %2 次，通过 %3，失败 %4</translation>
    </message>
    <message>
        <source>The records cannot be read: %1</source>
        <translation>无法读取生产记录：%1</translation>
    </message>
    <message>
        <source>This PC</source>
        <translation>本机</translation>
    </message>
    <message>
        <source>Whole line</source>
        <translation>整条产线</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>进行中</translation>
    </message>
    <message>
        <source>Canceled</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>No chip</source>
        <translation>无芯片</translation>
    </message>
</context>
<context>
    <name>StationLogDialog</name>
    <message>
        <source>Log of %1</source>
        <translation>%1 的日志</translation>
    </message>
    <message>
        <source>Shows the last %1 lines. The run log keeps every line: %2</source>
        <translation>显示最近 %1 行。运行日志保存全部内容：%2</translation>
    </message>
</context>
<context>
    <name>StationTile</name>
    <message>
        <source>label</source>
        <translation>标签</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>空闲</translation>
    </message>
    <message>
        <source>Waiting for a chip</source>
        <translation>等待芯片</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>下载中</translation>
    </message>
    <message>
        <source>Adapter lost</source>
        <translation>适配器断开</translation>
    </message>
    <message>
        <source>Total: %1  PASS: %2  FAIL: %3  FPY: %4%</source>
        <translation>总数：%1  通过：%2  失败：%3  直通率：%4%</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>通过</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>On</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>USB %1</source>
        <translation>USB %1</translation>
    </message>
    <message>
        <source>USB %1 (%2)</source>
        <translation>USB %1（%2）</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>已关闭</translation>
    </message>
    <message>
        <source>No adapter</source>
        <translation>无适配器</translation>
    </message>
    <message>
        <source>Port error</source>
        <translation>端口错误</translation>
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
        <translation>工具</translation>
    </message>
    <message>
        <source>English</source>
        <translation>英文</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>保存日志</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
</context>
</TS>
