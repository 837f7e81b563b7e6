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
        <source>Close Confirmation?</source>
        <translation>确认关闭？</translation>
    </message>
    <message>
        <source>Are you sure you want to exit?</source>
        <translation>确定要退出吗？</translation>
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
