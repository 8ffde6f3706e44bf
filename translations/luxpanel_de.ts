<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandLine</name>
    <message>
        <source>Companion program of the digital light meter: mirrors its display, records readings, draws graphs, downloads its data logger and sets its parameters.</source>
        <translation>Begleitprogramm des digitalen Luxmeters: spiegelt seine Anzeige, zeichnet Messwerte auf, stellt sie grafisch dar, lädt seinen Datenlogger herunter und stellt seine Parameter ein.</translation>
    </message>
    <message>
        <source>Serial port of the meter (COM1..COM16, Auto, or a device path such as /dev/ttyUSB0); skips the port window.</source>
        <translation>Serielle Schnittstelle des Messgeräts (COM1..COM16, Auto oder ein Gerätepfad wie /dev/ttyUSB0); überspringt das Schnittstellenfenster.</translation>
    </message>
    <message>
        <source>Run against a simulated meter on a pseudo-terminal instead of a real one.</source>
        <translation>Mit einem simulierten Messgerät an einem Pseudo-Terminal statt mit einem echten arbeiten.</translation>
    </message>
    <message>
        <source>A data file to open in the file list after the port window.</source>
        <translation>Eine Datendatei, die nach dem Schnittstellenfenster in der Dateiliste geöffnet wird.</translation>
    </message>
    <message>
        <source>one data file at a time, not &apos;%1&apos;</source>
        <translation>nur eine Datendatei auf einmal, nicht &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--port and --simulate exclude each other</source>
        <translation>--port und --simulate schließen einander aus</translation>
    </message>
    <message>
        <source>Report on stderr what happens on the line and in the program (the port, lost and found meters, dropped bytes, failures).</source>
        <translation>Auf stderr berichten, was auf der Leitung und im Programm geschieht (der Anschluss, verlorene und wiedergefundene Messgeräte, verworfene Bytes, Fehler).</translation>
    </message>
</context>
<context>
    <name>CsvExport</name>
    <message>
        <source>CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|</source>
        <translation>CSV-Dateien (*.csv)|*.csv|Alle Dateien (*.*)|*.*|</translation>
    </message>
    <message>
        <source>The CSV file %1 could not be written:
%2</source>
        <translation>Die CSV-Datei %1 konnte nicht geschrieben werden:
%2</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 ist bereits vorhanden.
Soll die Datei ersetzt werden?</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>CSV exportieren</translation>
    </message>
</context>
<context>
    <name>DataFileWriter</name>
    <message>
        <source>the file was removed; the records written before were put back under the same name</source>
        <translation>die Datei wurde entfernt; die zuvor geschriebenen Datensätze wurden unter demselben Namen wiederhergestellt</translation>
    </message>
    <message>
        <source>the file was removed</source>
        <translation>die Datei wurde entfernt</translation>
    </message>
    <message>
        <source>the file was replaced by another one</source>
        <translation>die Datei wurde durch eine andere ersetzt</translation>
    </message>
    <message>
        <source>the file is not open</source>
        <translation>die Datei ist nicht geöffnet</translation>
    </message>
    <message>
        <source>another program emptied the file</source>
        <translation>ein anderes Programm hat die Datei geleert</translation>
    </message>
    <message>
        <source>another program overwrote the file or cut it short</source>
        <translation>ein anderes Programm hat die Datei überschrieben oder gekürzt</translation>
    </message>
    <message>
        <source>another program wrote to the file</source>
        <translation>ein anderes Programm hat in die Datei geschrieben</translation>
    </message>
    <message>
        <source>another program overwrote the file</source>
        <translation>ein anderes Programm hat die Datei überschrieben</translation>
    </message>
    <message>
        <source>the file was renamed or moved</source>
        <translation>die Datei wurde umbenannt oder verschoben</translation>
    </message>
    <message>
        <source>the file was renamed or moved to %1</source>
        <translation>die Datei wurde umbenannt oder nach %1 verschoben</translation>
    </message>
</context>
<context>
    <name>FileTransfer</name>
    <message>
        <source>All Files (*.*)|*.*|</source>
        <translation>Alle Dateien (*.*)|*.*|</translation>
    </message>
    <message>
        <source>Cannot save to %1<byte value="xd"/>
%2</source>
        <translation>Speichern in %1 nicht möglich<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>%1 Records Completed</source>
        <translation>%1 Datensätze fertig</translation>
    </message>
    <message>
        <source>The list could not be saved completely to %1<byte value="xd"/>
%2</source>
        <translation>Die Liste konnte nicht vollständig in %1 gespeichert werden<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>The printer could not be started.</source>
        <translation>Der Drucker konnte nicht gestartet werden.</translation>
    </message>
    <message numerus="yes">
        <source>%n record(s) completed</source>
        <translation>
            <numerusform>%n Datensatz fertig</numerusform>
            <numerusform>%n Datensätze fertig</numerusform>
        </translation>
    </message>
    <message>
        <source>Printing stopped at row %1: a cell is longer than its column. The rows before it were printed.</source>
        <translation>Druck in Zeile %1 abgebrochen: eine Zelle ist länger als ihre Spalte. Die Zeilen davor wurden gedruckt.</translation>
    </message>
    <message>
        <source>Aready in recording mode, close it and try again !</source>
        <translation>Bereits im Aufzeichnungsmodus, beenden Sie ihn und versuchen Sie es erneut!</translation>
    </message>
</context>
<context>
    <name>GridModel</name>
    <message>
        <source>No.s</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
</context>
<context>
    <name>Logger</name>
    <message>
        <source>No Data in Memory</source>
        <translation>Keine Daten im Speicher</translation>
    </message>
    <message>
        <source>The meter reports a memory fill address of %1, outside its memory. Nothing was downloaded.</source>
        <translation>Das Messgerät meldet die Füllstandsadresse %1, die außerhalb seines Speichers liegt. Es wurde nichts heruntergeladen.</translation>
    </message>
    <message>
        <source>The meter did not send its memory. Nothing was downloaded, try again !</source>
        <translation>Das Messgerät hat seinen Speicher nicht gesendet. Es wurde nichts heruntergeladen, versuchen Sie es erneut!</translation>
    </message>
    <message>
        <source>The meter stopped sending: %1 of %2 bytes (%3%) arrived, then nothing for %4 s. Nothing was listed, try again !</source>
        <translation>Das Messgerät hat aufgehört zu senden: %1 von %2 Bytes (%3%) kamen an, danach %4 s lang nichts. Es wurde nichts aufgelistet, versuchen Sie es erneut!</translation>
    </message>
    <message>
        <source>Memory dump %1%</source>
        <translation>Datenabruf %1%</translation>
    </message>
    <message>
        <source>The meter is still sending its memory (%1% so far). Try again when it has finished.</source>
        <translation>Das Messgerät sendet noch seinen Speicher (bisher %1%). Versuchen Sie es erneut, wenn es fertig ist.</translation>
    </message>
    <message>
        <source>Logger set %1, started %2</source>
        <translation>Logger-Satz %1, begonnen %2</translation>
    </message>
    <message>
        <source>%1 % completed</source>
        <translation>%1 % fertig</translation>
    </message>
    <message>
        <source>Data List</source>
        <translation>Datenliste</translation>
    </message>
    <message>
        <source>All the data in memory will be deleted!</source>
        <translation>Alle Daten im Speicher werden gelöscht!</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>set %1 has an invalid start time (%2)</source>
        <translation>Satz %1 hat eine ungültige Startzeit (%2)</translation>
    </message>
    <message>
        <source>The start time of set %1, %2, is not a valid time of day. Its records are listed without times.</source>
        <translation>Die Startzeit von Satz %1, %2, ist keine gültige Uhrzeit. Seine Datensätze werden ohne Zeiten aufgeführt.</translation>
    </message>
</context>
<context>
    <name>MenuBar</name>
    <message>
        <source>PC Sampling Rate…</source>
        <translation>PC-Abtastrate…</translation>
    </message>
    <message>
        <source>Set Meter Time to PC System Time…</source>
        <translation>Gerätezeit auf PC-Systemzeit stellen…</translation>
    </message>
    <message>
        <source>Data Logger…</source>
        <translation>Datenlogger…</translation>
    </message>
    <message>
        <source>Luminous Intensity…</source>
        <translation>Lichtstärke…</translation>
    </message>
    <message>
        <source>Comparator…</source>
        <translation>Komparator…</translation>
    </message>
    <message>
        <source>Set Time to Hold…</source>
        <translation>Haltezeit einstellen…</translation>
    </message>
    <message>
        <source>Control Panel</source>
        <translation>Bedienfeld</translation>
    </message>
    <message>
        <source>Back to Normal Mode</source>
        <translation>Zurück zum Normalbetrieb</translation>
    </message>
    <message>
        <source>List Display</source>
        <translation>Listenanzeige</translation>
    </message>
    <message>
        <source>Graphic Display</source>
        <translation>Grafikanzeige</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>Speichern unter…</translation>
    </message>
    <message>
        <source>Open File to Read…</source>
        <translation>Datei zum Lesen öffnen…</translation>
    </message>
    <message>
        <source>Export CSV…</source>
        <translation>CSV exportieren…</translation>
    </message>
    <message>
        <source>Print…</source>
        <translation>Drucken…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;Meter</source>
        <translation>&amp;Messgerät</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Handbuch</translation>
    </message>
    <message>
        <source>About luxpanel</source>
        <translation>Über luxpanel</translation>
    </message>
    <message>
        <source>Stop Recording</source>
        <translation>Aufzeichnung beenden</translation>
    </message>
    <message>
        <source>&lt;h3&gt;luxpanel %1&lt;/h3&gt;&lt;p&gt;Companion program of the digital light meter.&lt;/p&gt;&lt;p&gt;Built with Qt %2, running on Qt %3.&lt;/p&gt;&lt;p&gt;Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later).&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;%4&quot;&gt;%4&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;h3&gt;luxpanel %1&lt;/h3&gt;&lt;p&gt;Begleitprogramm des digitalen Luxmeters.&lt;/p&gt;&lt;p&gt;Erstellt mit Qt %2, läuft unter Qt %3.&lt;/p&gt;&lt;p&gt;Lizenz: GNU General Public License, Version 3 oder später (GPL-3.0-or-later).&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;%4&quot;&gt;%4&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>MeterExchange</name>
    <message>
        <source>The meter did not answer.<byte value="xd"/>
Check that it is switched on and connected, then try again.</source>
        <translation>Das Messgerät hat nicht geantwortet.<byte value="xd"/>
Prüfen Sie, ob es eingeschaltet und angeschlossen ist, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The meter is busy with another command.<byte value="xd"/>
Try again when it has finished.</source>
        <translation>Das Messgerät ist mit einem anderen Befehl beschäftigt.<byte value="xd"/>
Versuchen Sie es erneut, wenn er beendet ist.</translation>
    </message>
</context>
<context>
    <name>ParameterInputs</name>
    <message>
        <source>Invalid, comply with the data format properly<byte value="xd"/>
</source>
        <translation>Ungültig, halten Sie das Datenformat genau ein<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Enter the TIME to Hold<byte value="xd"/>
 (MM:SS) </source>
        <translation>Geben Sie die HALTEZEIT ein<byte value="xd"/>
 (MM:SS) </translation>
    </message>
    <message>
        <source>Input Hold Time</source>
        <translation>Haltezeit eingeben</translation>
    </message>
    <message>
        <source>Enter the distance from the Light Source (0.01~9.99)<byte value="xd"/>
</source>
        <translation>Geben Sie den Abstand zur Lichtquelle ein (0.01~9.99)<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Input the distance</source>
        <translation>Abstand eingeben</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>Recording Mode!
Please stop recording!</source>
        <translation>Aufzeichnungsmodus!
Bitte beenden Sie die Aufzeichnung!</translation>
    </message>
    <message>
        <source>The simulated meter could not be started.
</source>
        <translation>Das simulierte Messgerät konnte nicht gestartet werden.
</translation>
    </message>
</context>
<context>
    <name>QtDialogs</name>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>%1-Datei</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>No printer found - print to PDF file</source>
        <translation>Kein Drucker gefunden - in PDF-Datei drucken</translation>
    </message>
    <message>
        <source>PDF Files (*.pdf)</source>
        <translation>PDF-Dateien (*.pdf)</translation>
    </message>
</context>
<context>
    <name>QtSerialPort</name>
    <message>
        <source>permission denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>the port is busy: another program has it open</source>
        <translation>die Schnittstelle ist belegt: ein anderes Programm hat sie geöffnet</translation>
    </message>
    <message>
        <source>permission denied: %1 belongs to the group &apos;%2&apos;; add your user to that group and log in again</source>
        <translation>Zugriff verweigert: %1 gehört zur Gruppe &apos;%2&apos;; nehmen Sie Ihren Benutzer in diese Gruppe auf und melden Sie sich neu an</translation>
    </message>
    <message>
        <source>permission denied: %1 (group &apos;%2&apos;) may not be read and written by you</source>
        <translation>Zugriff verweigert: %1 (Gruppe &apos;%2&apos;) darf von Ihnen nicht gelesen und geschrieben werden</translation>
    </message>
    <message>
        <source>no such device</source>
        <translation>kein solches Gerät</translation>
    </message>
</context>
<context>
    <name>Recording</name>
    <message>
        <source>Cannot record to %1<byte value="xd"/>
%2</source>
        <translation>Aufzeichnung in %1 nicht möglich<byte value="xd"/>
%2</translation>
    </message>
</context>
<context>
    <name>RegularFile</name>
    <message>
        <source>a folder</source>
        <translation>ein Ordner</translation>
    </message>
    <message>
        <source>a named pipe</source>
        <translation>eine benannte Pipe</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>ein Gerät</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>ein Socket</translation>
    </message>
    <message>
        <source>not a plain file</source>
        <translation>keine normale Datei</translation>
    </message>
    <message>
        <source>%1 is %2; only plain files can be read or written</source>
        <translation>%1 ist %2; nur normale Dateien können gelesen oder geschrieben werden</translation>
    </message>
</context>
<context>
    <name>Toolbar</name>
    <message>
        <source>Rec</source>
        <translation>Aufn</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Stop Recording</source>
        <translation>Aufzeichnung beenden</translation>
    </message>
    <message>
        <source>no reading</source>
        <translation>kein Messwert</translation>
    </message>
    <message>
        <source>Open File to Read</source>
        <translation>Datei zum Lesen öffnen</translation>
    </message>
    <message>
        <source>PC Sampling Rate</source>
        <translation>PC-Abtastrate</translation>
    </message>
    <message>
        <source>List Display</source>
        <translation>Listenanzeige</translation>
    </message>
    <message>
        <source>Graphic Display</source>
        <translation>Grafikanzeige</translation>
    </message>
    <message>
        <source>Set Meter Time to PC System Time</source>
        <translation>Gerätezeit auf PC-Systemzeit stellen</translation>
    </message>
    <message>
        <source>Data Logger</source>
        <translation>Datenlogger</translation>
    </message>
    <message>
        <source>Luminous Intensity</source>
        <translation>Lichtstärke</translation>
    </message>
    <message>
        <source>Comparator</source>
        <translation>Komparator</translation>
    </message>
    <message>
        <source>Set Time to Hold</source>
        <translation>Haltezeit einstellen</translation>
    </message>
    <message>
        <source>Control Panel</source>
        <translation>Bedienfeld</translation>
    </message>
    <message>
        <source>Back to Normal Mode</source>
        <translation>Zurück zum Normalbetrieb</translation>
    </message>
</context>
<context>
    <name>lux::Btn</name>
    <message>
        <source>Control Panel</source>
        <translation>Bedienfeld</translation>
    </message>
    <message>
        <source>Automatically Record</source>
        <translation>Automatisch aufzeichnen</translation>
    </message>
    <message>
        <source>Manually Record</source>
        <translation>Manuell aufzeichnen</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Auf</translation>
    </message>
    <message>
        <source>Enter</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Ab</translation>
    </message>
</context>
<context>
    <name>lux::Comparator</name>
    <message>
        <source>%1 digit %2</source>
        <translation>%1 Ziffer %2</translation>
    </message>
    <message>
        <source>Decimal point after digit %1</source>
        <translation>Dezimalpunkt nach Ziffer %1</translation>
    </message>
    <message>
        <source>Comparator</source>
        <translation>Komparator</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Einheit</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Übertragen</translation>
    </message>
    <message>
        <source>Choose the range</source>
        <translation>Bereich wählen</translation>
    </message>
</context>
<context>
    <name>lux::DataListWindow</name>
    <message>
        <source>Data List</source>
        <translation>Datenliste</translation>
    </message>
    <message>
        <source>Records in lux</source>
        <translation>Datensätze in Lux</translation>
    </message>
    <message>
        <source>Records in foot-candles</source>
        <translation>Datensätze in Footcandle</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Plot</source>
        <translation>Diagramm</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Einheit</translation>
    </message>
</context>
<context>
    <name>lux::GraphViewer</name>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Normal mode</source>
        <translation>Normalmodus</translation>
    </message>
    <message>
        <source>Cursor Coordinates</source>
        <translation>Cursorkoordinaten</translation>
    </message>
    <message>
        <source>Drag the cursor with your mouse to get X (Count) and Y (Value) position.</source>
        <translation>Ziehen Sie den Cursor mit der Maus, um die Position X (Nummer) und Y (Wert) abzulesen.</translation>
    </message>
    <message>
        <source>PanXY</source>
        <translation>Schieben XY</translation>
    </message>
    <message>
        <source>Click anywhere on the plot area and drag to pan the graph both horizontally and vertically.</source>
        <translation>Klicken Sie auf eine beliebige Stelle der Diagrammfläche und ziehen Sie, um das Diagramm waagerecht und senkrecht zu verschieben.</translation>
    </message>
    <message>
        <source>PanX</source>
        <translation>Schieben X</translation>
    </message>
    <message>
        <source>Click anywhere on the plot area and drag to pan the graph horizontally.</source>
        <translation>Klicken Sie auf eine beliebige Stelle der Diagrammfläche und ziehen Sie, um das Diagramm waagerecht zu verschieben.</translation>
    </message>
    <message>
        <source>PanY</source>
        <translation>Schieben Y</translation>
    </message>
    <message>
        <source>Click anywhere on the plot area and drag to pan the graph vertically.</source>
        <translation>Klicken Sie auf eine beliebige Stelle der Diagrammfläche und ziehen Sie, um das Diagramm senkrecht zu verschieben.</translation>
    </message>
    <message>
        <source>ZoomXY</source>
        <translation>Zoom XY</translation>
    </message>
    <message>
        <source>Select a region on the graph to zoom both horizontally and vertically.</source>
        <translation>Wählen Sie einen Bereich des Diagramms, um waagerecht und senkrecht zu zoomen.</translation>
    </message>
    <message>
        <source>ZoomX</source>
        <translation>Zoom X</translation>
    </message>
    <message>
        <source>Select a region on the graph to zoom horizontally.</source>
        <translation>Wählen Sie einen Bereich des Diagramms, um waagerecht zu zoomen.</translation>
    </message>
    <message>
        <source>ZoomY</source>
        <translation>Zoom Y</translation>
    </message>
    <message>
        <source>Select a region on the graph to zoom vertically.</source>
        <translation>Wählen Sie einen Bereich des Diagramms, um senkrecht zu zoomen.</translation>
    </message>
    <message>
        <source>Real Time Graph</source>
        <translation>Echtzeitdiagramm</translation>
    </message>
    <message>
        <source>Plot</source>
        <translation>Diagramm</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Diagramm</translation>
    </message>
    <message>
        <source>No.s</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Save Graph As...</source>
        <translation>Speichern unter...</translation>
    </message>
    <message>
        <source>Print Graph</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Reset Scale</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Graphic Plot</source>
        <translation>Grafik</translation>
    </message>
    <message>
        <source>Graph Range</source>
        <translation>Diagrammbereich</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>No.s Min</source>
        <translation>Nr. Min</translation>
    </message>
    <message>
        <source>No.s Max</source>
        <translation>Nr. Max</translation>
    </message>
    <message>
        <source>Value Min</source>
        <translation>Wert Min</translation>
    </message>
    <message>
        <source>Value Max</source>
        <translation>Wert Max</translation>
    </message>
    <message>
        <source>Track Mode</source>
        <translation>Mausmodus</translation>
    </message>
    <message>
        <source>Track mode description</source>
        <translation>Beschreibung des Mausmodus</translation>
    </message>
    <message>
        <source>Cursor Information</source>
        <translation>Cursorinformation</translation>
    </message>
    <message>
        <source>No.s ( X ) :</source>
        <translation>Nr. ( X ) :</translation>
    </message>
    <message>
        <source>Value ( Y ) :</source>
        <translation>Wert ( Y ) :</translation>
    </message>
    <message>
        <source>Save Graph...</source>
        <translation>Speichern...</translation>
    </message>
    <message>
        <source>Save the graph as a PNG image or a PDF file</source>
        <translation>Das Diagramm als PNG-Bild oder PDF-Datei speichern</translation>
    </message>
    <message>
        <source>The graph could not be printed.</source>
        <translation>Das Diagramm konnte nicht gedruckt werden.</translation>
    </message>
    <message>
        <source>PNG Image (*.png)|*.png|PDF Document (*.pdf)|*.pdf|</source>
        <translation>PNG-Bild (*.png)|*.png|PDF-Dokument (*.pdf)|*.pdf|</translation>
    </message>
    <message>
        <source>The graph could not be saved to %1</source>
        <translation>Das Diagramm konnte nicht in %1 gespeichert werden</translation>
    </message>
</context>
<context>
    <name>lux::LcdView</name>
    <message>
        <source>Rec.</source>
        <translation>Aufn.</translation>
    </message>
    <message>
        <source>No COM</source>
        <translation>Kein COM</translation>
    </message>
</context>
<context>
    <name>lux::ListWindow</name>
    <message>
        <source>Real Time List</source>
        <translation>Echtzeitliste</translation>
    </message>
    <message>
        <source>File List</source>
        <translation>Dateiliste</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Plot</source>
        <translation>Diagramm</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>Datensätze</translation>
    </message>
    <message>
        <source>Recording Mode!
Please stop recording!</source>
        <translation>Aufzeichnungsmodus!
Bitte beenden Sie die Aufzeichnung!</translation>
    </message>
    <message>
        <source>All Files (*.*)|*.*|</source>
        <translation>Alle Dateien (*.*)|*.*|</translation>
    </message>
    <message>
        <source>Cannot read %1<byte value="xd"/>
%2</source>
        <translation>%1 kann nicht gelesen werden<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>%1 Records Completed</source>
        <translation>%1 Datensätze fertig</translation>
    </message>
    <message>
        <source>The file list holds at most %1 records; the rest of %2 was not read.</source>
        <translation>Die Dateiliste fasst höchstens %1 Datensätze; der Rest von %2 wurde nicht gelesen.</translation>
    </message>
</context>
<context>
    <name>lux::LiveGraph</name>
    <message>
        <source>Real Time Graph</source>
        <translation>Echtzeitdiagramm</translation>
    </message>
    <message>
        <source>Click to view the run so far</source>
        <translation>Klicken, um den bisherigen Verlauf anzusehen</translation>
    </message>
    <message>
        <source>Live run</source>
        <translation>Laufende Messung</translation>
    </message>
</context>
<context>
    <name>lux::LoggerDownload</name>
    <message>
        <source>set %1 ran into the next set (damaged set marker after record %2): it may hold the next set&apos;s records</source>
        <translation>Satz %1 läuft in den nächsten Satz über (beschädigte Satzmarke nach Datensatz %2): er kann Datensätze des nächsten Satzes enthalten</translation>
    </message>
    <message>
        <source>set %1 cut short</source>
        <translation>Satz %1 verkürzt</translation>
    </message>
    <message numerus="yes">
        <source>%n byte(s) skipped</source>
        <translation>
            <numerusform>%n Byte übersprungen</numerusform>
            <numerusform>%n Bytes übersprungen</numerusform>
        </translation>
    </message>
    <message>
        <source>damaged: %1</source>
        <translation>beschädigt: %1</translation>
    </message>
</context>
<context>
    <name>lux::ManualWindow</name>
    <message>
        <source>luxpanel Manual</source>
        <translation>luxpanel-Handbuch</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Handbuch</translation>
    </message>
</context>
<context>
    <name>lux::MemoryWindow</name>
    <message>
        <source>Data Logger</source>
        <translation>Datenlogger</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Satz</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Sampling</source>
        <translation>Intervall</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>Anzahl</translation>
    </message>
    <message>
        <source>Click a set to list its records</source>
        <translation>Klicken Sie auf einen Satz, um seine Datensätze aufzulisten</translation>
    </message>
    <message>
        <source>Click to erase the meter&apos;s memory</source>
        <translation>Klicken, um den Speicher des Messgeräts zu löschen</translation>
    </message>
    <message>
        <source>Download progress</source>
        <translation>Fortschritt des Herunterladens</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Vergleichen</translation>
    </message>
    <message>
        <source>Total Memory</source>
        <translation>Gesamtspeicher</translation>
    </message>
    <message>
        <source>Free Memory</source>
        <translation>Freier Speicher</translation>
    </message>
    <message>
        <source>%1% Completed</source>
        <translation>%1% fertig</translation>
    </message>
</context>
<context>
    <name>lux::MeterLink</name>
    <message>
        <source>no port was chosen</source>
        <translation>es wurde keine Schnittstelle gewählt</translation>
    </message>
    <message>
        <source>No COM</source>
        <translation>Kein COM</translation>
    </message>
</context>
<context>
    <name>lux::Panel</name>
    <message>
        <source>No device found, try again!</source>
        <translation>Kein Gerät gefunden, versuchen Sie es erneut!</translation>
    </message>
    <message>
        <source>The meter is not answering</source>
        <translation>Das Messgerät antwortet nicht</translation>
    </message>
    <message>
        <source>No reading has come from the meter for a few seconds. Check that it is switched on and connected to this port.</source>
        <translation>Seit einigen Sekunden kam kein Messwert vom Messgerät. Prüfen Sie, ob es eingeschaltet und an diesen Anschluss angeschlossen ist.</translation>
    </message>
    <message>
        <source>The port cannot be opened</source>
        <translation>Die Schnittstelle lässt sich nicht öffnen</translation>
    </message>
</context>
<context>
    <name>lux::PortWindow</name>
    <message>
        <source>COM Port</source>
        <translation>COM-Schnittstelle</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>lux::RecordingEngine</name>
    <message>
        <source>Recording stopped: the data file could not be written (%1).<byte value="xd"/>
</source>
        <translation>Aufzeichnung beendet: die Datendatei konnte nicht geschrieben werden (%1).<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>No record had been written to %1 yet.</source>
        <translation>In %1 war noch kein Datensatz geschrieben worden.</translation>
    </message>
    <message numerus="yes">
        <source>The %n record(s) written before are kept in %1</source>
        <translation>
            <numerusform>%n zuvor geschriebener Datensatz bleibt in %1 erhalten</numerusform>
            <numerusform>%n zuvor geschriebene Datensätze bleiben in %1 erhalten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n record(s) written before were lost with the folder %1</source>
        <translation>
            <numerusform>%n zuvor geschriebener Datensatz ging mit dem Ordner %1 verloren</numerusform>
            <numerusform>%n zuvor geschriebene Datensätze gingen mit dem Ordner %1 verloren</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n record(s) written before were lost: %1 no longer holds them</source>
        <translation>
            <numerusform>%n zuvor geschriebener Datensatz ging verloren: %1 enthält ihn nicht mehr</numerusform>
            <numerusform>%n zuvor geschriebene Datensätze gingen verloren: %1 enthält sie nicht mehr</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n sampling moment(s) had no reading from the meter; nothing was recorded for them.</source>
        <translation>
            <numerusform>%n Abtastzeitpunkt hatte keinen Messwert vom Messgerät; für ihn wurde nichts aufgezeichnet.</numerusform>
            <numerusform>%n Abtastzeitpunkte hatten keinen Messwert vom Messgerät; für sie wurde nichts aufgezeichnet.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>lux::SamplingChoice</name>
    <message>
        <source>Input Sampling Time</source>
        <translation>Abtastzeit eingeben</translation>
    </message>
    <message>
        <source>Invalid, comply with the data format properly<byte value="xd"/>
</source>
        <translation>Ungültig, halten Sie das Datenformat genau ein<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Sampling Rate</source>
        <translation>Abtastrate</translation>
    </message>
    <message>
        <source>PC Sampling Rate</source>
        <translation>PC-Abtastrate</translation>
    </message>
    <message>
        <source>Meter Sampling Rate</source>
        <translation>Geräte-Abtastrate</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Enter the SAMPLING TIME in seconds<byte value="xd"/>
(1 &lt;= t &lt;= 86400 ) </source>
        <translation>Geben Sie die ABTASTZEIT in Sekunden ein<byte value="xd"/>
(1 &lt;= t &lt;= 86400 ) </translation>
    </message>
    <message>
        <source>The meter did not answer, try again !</source>
        <translation>Das Messgerät hat nicht geantwortet, versuchen Sie es erneut!</translation>
    </message>
    <message>
        <source>Enter the SAMPLING TIME of the Meter<byte value="xd"/>
 (MM:SS) </source>
        <translation>Geben Sie die ABTASTZEIT des Messgeräts ein<byte value="xd"/>
 (MM:SS) </translation>
    </message>
</context>
<context>
    <name>lux::Setup</name>
    <message>
        <source>Meter Time</source>
        <translation>Gerätezeit</translation>
    </message>
    <message>
        <source>PC System Time</source>
        <translation>PC-Systemzeit</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Click to show or hide the meter&apos;s clock</source>
        <translation>Klicken, um die Uhr des Messgeräts ein- oder auszublenden</translation>
    </message>
    <message>
        <source>Click to show or hide the PC&apos;s clock</source>
        <translation>Klicken, um die Uhr des PCs ein- oder auszublenden</translation>
    </message>
    <message>
        <source>Set Meter Time To System Time</source>
        <translation>Gerätezeit auf Systemzeit stellen</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Recording mode, stop record then try again !</source>
        <translation>Aufzeichnungsmodus, beenden Sie die Aufzeichnung und versuchen Sie es erneut!</translation>
    </message>
</context>
</TS>
