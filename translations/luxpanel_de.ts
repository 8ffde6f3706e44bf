<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BrokerSetup</name>
    <message>
        <source>the scheme must be mqtt:// or mqtts://</source>
        <translation>das Schema muss mqtt:// oder mqtts:// sein</translation>
    </message>
    <message>
        <source>a user name or password does not belong in the URL (use the configuration file or --password-file)</source>
        <translation>Benutzername und Passwort gehören nicht in die URL (nutzen Sie die Konfigurationsdatei oder --password-file)</translation>
    </message>
    <message>
        <source>the URL holds a path; only a host and a port are expected</source>
        <translation>die URL enthält einen Pfad; erwartet werden nur ein Host und ein Port</translation>
    </message>
    <message>
        <source>an IPv6 address lacks its &apos;]&apos;</source>
        <translation>einer IPv6-Adresse fehlt ihre &apos;]&apos;</translation>
    </message>
    <message>
        <source>unexpected text after the IPv6 address</source>
        <translation>unerwarteter Text nach der IPv6-Adresse</translation>
    </message>
    <message>
        <source>the port is missing after &apos;:&apos;</source>
        <translation>nach &apos;:&apos; fehlt der Port</translation>
    </message>
    <message>
        <source>an IPv6 address goes in brackets: [::1]:1883</source>
        <translation>eine IPv6-Adresse gehört in eckige Klammern: [::1]:1883</translation>
    </message>
    <message>
        <source>the host name is missing</source>
        <translation>der Hostname fehlt</translation>
    </message>
    <message>
        <source>the host name is too long</source>
        <translation>der Hostname ist zu lang</translation>
    </message>
    <message>
        <source>the host name holds a character a host name cannot have</source>
        <translation>der Hostname enthält ein Zeichen, das ein Hostname nicht haben kann</translation>
    </message>
    <message>
        <source>the port must be a number from 1 to 65535</source>
        <translation>der Port muss eine Zahl von 1 bis 65535 sein</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>%1 holds a password and others can read it; make it private with: chmod 600 %1</source>
        <translation>%1 enthält ein Passwort und andere können es lesen; machen Sie die Datei privat mit: chmod 600 %1</translation>
    </message>
    <message>
        <source>%1 holds no password on its first line</source>
        <translation>%1 enthält in der ersten Zeile kein Passwort</translation>
    </message>
    <message>
        <source>broker URL &apos;%1&apos;: %2</source>
        <translation>Broker-URL &apos;%1&apos;: %2</translation>
    </message>
    <message>
        <source>a password without a user name: give user = NAME or --user NAME</source>
        <translation>ein Passwort ohne Benutzernamen: geben Sie user = NAME oder --user NAME an</translation>
    </message>
    <message>
        <source>%1 = %2 is given, but the broker URL is not mqtts://</source>
        <translation>%1 = %2 ist angegeben, aber die Broker-URL ist nicht mqtts://</translation>
    </message>
    <message>
        <source>cannot read the %1 file %2: %3</source>
        <translation>die %1-Datei %2 kann nicht gelesen werden: %3</translation>
    </message>
    <message>
        <source>a client certificate needs both cert and key</source>
        <translation>ein Client-Zertifikat braucht sowohl cert als auch key</translation>
    </message>
</context>
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
    <message>
        <source>Lighting Survey…</source>
        <translation>Lichtmessung…</translation>
    </message>
    <message>
        <source>Publish readings…</source>
        <translation>Messwerte veröffentlichen…</translation>
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
    <message>
        <source>no folder for the port&apos;s lock file</source>
        <translation>kein Ordner für die Sperrdatei der Schnittstelle</translation>
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
    <name>SurveyCompare</name>
    <message>
        <source>The two surveys have no point in the same place (within %1 cm): there is nothing to compare.</source>
        <translation>Die beiden Messungen haben keinen Punkt an derselben Stelle (auf %1 cm genau): Es gibt nichts zu vergleichen.</translation>
    </message>
</context>
<context>
    <name>SurveyFile</name>
    <message>
        <source>The file is too large for a survey.</source>
        <translation>Die Datei ist für eine Lichtmessung zu groß.</translation>
    </message>
    <message>
        <source>This is not a luxpanel survey file (no survey data could be read).</source>
        <translation>Dies ist keine Lichtmessungsdatei von luxpanel (es ließen sich keine Messdaten lesen).</translation>
    </message>
    <message>
        <source>This is not a luxpanel survey file.</source>
        <translation>Dies ist keine Lichtmessungsdatei von luxpanel.</translation>
    </message>
    <message>
        <source>The survey file has no valid format version.</source>
        <translation>Die Lichtmessungsdatei hat keine gültige Formatversion.</translation>
    </message>
    <message>
        <source>The survey file was written by a newer luxpanel (format %1); this one reads format %2.</source>
        <translation>Die Lichtmessungsdatei stammt von einem neueren luxpanel (Format %1); dieses liest Format %2.</translation>
    </message>
    <message>
        <source>The survey file is damaged: %1.</source>
        <translation>Die Lichtmessungsdatei ist beschädigt: %1.</translation>
    </message>
    <message>
        <source>The survey file is damaged: it holds %1 points where its grid has %2.</source>
        <translation>Die Lichtmessungsdatei ist beschädigt: sie enthält %1 Punkte, ihr Raster hat %2.</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>Punkt %1</translation>
    </message>
    <message>
        <source>The survey could not be saved to %1: %2</source>
        <translation>Die Lichtmessung konnte nicht nach %1 gespeichert werden: %2</translation>
    </message>
    <message>
        <source>%1 is not a file.</source>
        <translation>%1 ist keine Datei.</translation>
    </message>
    <message>
        <source>%1 could not be read: %2</source>
        <translation>%1 konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The CSV file is empty.</source>
        <translation>Die CSV-Datei ist leer.</translation>
    </message>
    <message>
        <source>The CSV file has no &quot;lux&quot; column.</source>
        <translation>Die CSV-Datei hat keine Spalte „lux“.</translation>
    </message>
    <message>
        <source>Line %1 of the CSV file holds no illuminance: &quot;%2&quot;.</source>
        <translation>Zeile %1 der CSV-Datei enthält keine Beleuchtungsstärke: „%2“.</translation>
    </message>
</context>
<context>
    <name>SurveyPictures</name>
    <message>
        <source>skipped</source>
        <translation>ausgelassen</translation>
    </message>
    <message>
        <source>%1 m</source>
        <translation>%1 m</translation>
    </message>
    <message>
        <source>Length (m)</source>
        <translation>Länge (m)</translation>
    </message>
    <message>
        <source>Width (m)</source>
        <translation>Breite (m)</translation>
    </message>
    <message>
        <source>No reading taken yet</source>
        <translation>Noch kein Messwert aufgenommen</translation>
    </message>
    <message>
        <source>Illuminance (lx)</source>
        <translation>Beleuchtungsstärke (lx)</translation>
    </message>
    <message>
        <source>Survey plan</source>
        <translation>Messplan</translation>
    </message>
    <message>
        <source>The picture could not be written to %1.</source>
        <translation>Das Bild konnte nicht nach %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>Survey heat map</source>
        <translation>Wärmebild der Messung</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>A%1/B%2</source>
        <translation>A%1/B%2</translation>
    </message>
    <message>
        <source>A%1</source>
        <translation>A%1</translation>
    </message>
    <message>
        <source>B%1</source>
        <translation>B%1</translation>
    </message>
    <message>
        <source>from 0 lx</source>
        <translation>von 0 lx</translation>
    </message>
    <message>
        <source>A only</source>
        <translation>nur in A</translation>
    </message>
    <message>
        <source>B only</source>
        <translation>nur in B</translation>
    </message>
    <message>
        <source>not taken</source>
        <translation>nicht gemessen</translation>
    </message>
    <message>
        <source>Change from A to B</source>
        <translation>Änderung von A nach B</translation>
    </message>
    <message>
        <source>%1 lx (less light)</source>
        <translation>%1 lx (weniger Licht)</translation>
    </message>
    <message>
        <source>0 (no change)</source>
        <translation>0 (unverändert)</translation>
    </message>
    <message>
        <source>%1 lx (more light)</source>
        <translation>%1 lx (mehr Licht)</translation>
    </message>
    <message>
        <source>Survey comparison</source>
        <translation>Vergleich zweier Messungen</translation>
    </message>
    <message>
        <source>%1 lx</source>
        <translation>%1 lx</translation>
    </message>
</context>
<context>
    <name>SurveyReport</name>
    <message numerus="yes">
        <source>NOT COMPLETE (%n point(s) left)</source>
        <translation>
            <numerusform>NICHT FERTIG (%n Punkt offen)</numerusform>
            <numerusform>NICHT FERTIG (%n Punkte offen)</numerusform>
        </translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>BESTANDEN</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>NICHT BESTANDEN</translation>
    </message>
    <message>
        <source>OPEN</source>
        <translation>OFFEN</translation>
    </message>
    <message>
        <source>Points</source>
        <translation>Punkte</translation>
    </message>
    <message>
        <source>%1 taken, %2 skipped, %3 left of %4</source>
        <translation>%1 gemessen, %2 ausgelassen, %3 offen von %4</translation>
    </message>
    <message>
        <source>Centre-line minimum</source>
        <translation>Minimum auf der Mittellinie</translation>
    </message>
    <message>
        <source>%1 lx</source>
        <translation>%1 lx</translation>
    </message>
    <message>
        <source>≥ %1 lx</source>
        <translation>≥ %1 lx</translation>
    </message>
    <message>
        <source>Centre-line max/min</source>
        <translation>Max/Min auf der Mittellinie</translation>
    </message>
    <message>
        <source>≤ %1</source>
        <translation>≤ %1</translation>
    </message>
    <message>
        <source>Ē (average)</source>
        <translation>Ē (Mittelwert)</translation>
    </message>
    <message>
        <source>Emin</source>
        <translation>Emin</translation>
    </message>
    <message>
        <source>Emax</source>
        <translation>Emax</translation>
    </message>
    <message>
        <source>U0 = Emin/Ē</source>
        <translation>U0 = Emin/Ē</translation>
    </message>
    <message>
        <source>≥ %1</source>
        <translation>≥ %1</translation>
    </message>
    <message>
        <source>Emin/Emax</source>
        <translation>Emin/Emax</translation>
    </message>
    <message>
        <source>NOT STARTED</source>
        <translation>NICHT BEGONNEN</translation>
    </message>
    <message>
        <source>automatic after the workplace rule p = 0.2 × 5^log10(d): d = %1 m, p ≤ %2 m; %3 × %4 points, cells %5 m × %6 m; border band %7 m</source>
        <translation>automatisch nach der Arbeitsstättenregel p = 0,2 × 5^log10(d): d = %1 m, p ≤ %2 m; %3 × %4 Punkte, Zellen %5 m × %6 m; Randzone %7 m</translation>
    </message>
    <message>
        <source>by hand: %1 × %2 points, cells %3 m × %4 m; border band %5 m</source>
        <translation>von Hand: %1 × %2 Punkte, Zellen %3 m × %4 m; Randzone %5 m</translation>
    </message>
    <message>
        <source>escape route: %1 points on the centre line every %2 m (p ≤ %3 m)%4</source>
        <translation>Fluchtweg: %1 Punkte auf der Mittellinie alle %2 m (p ≤ %3 m)%4</translation>
    </message>
    <message>
        <source>, and on both edges of the central band</source>
        <translation>, dazu auf beiden Rändern des Mittelstreifens</translation>
    </message>
    <message>
        <source>The report could not be started on the printer.</source>
        <translation>Der Bericht konnte auf dem Drucker nicht begonnen werden.</translation>
    </message>
    <message>
        <source>Lighting survey: %1, %2</source>
        <translation>Lichtmessung: %1, %2</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Area</source>
        <translation>Bereich</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>%1, readings %2 to %3</source>
        <translation>%1, Messungen %2 bis %3</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>Meter</source>
        <translation>Messgerät</translation>
    </message>
    <message>
        <source>(not given)</source>
        <translation>(nicht angegeben)</translation>
    </message>
    <message>
        <source>Measuring height</source>
        <translation>Messhöhe</translation>
    </message>
    <message>
        <source>%1 m above the floor</source>
        <translation>%1 m über dem Boden</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Raster</translation>
    </message>
    <message>
        <source>Requirement</source>
        <translation>Anforderung</translation>
    </message>
    <message>
        <source>typed in</source>
        <translation>eingegeben</translation>
    </message>
    <message>
        <source>centre-line minimum ≥ %1 lx, max/min ≤ %2</source>
        <translation>Minimum auf der Mittellinie ≥ %1 lx, Max/Min ≤ %2</translation>
    </message>
    <message>
        <source>Ē ≥ %1 lx, U0 ≥ %2</source>
        <translation>Ē ≥ %1 lx, U0 ≥ %2</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>as chosen by the surveyor; not checked by luxpanel</source>
        <translation>wie vom Messenden gewählt; von luxpanel nicht geprüft</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Einheiten</translation>
    </message>
    <message>
        <source>readings shown in foot-candles were converted to lux (1 fc = 10.7639 lx)</source>
        <translation>in Foot-Candle angezeigte Werte wurden in Lux umgerechnet (1 fc = 10,7639 lx)</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>Result: %1</source>
        <translation>Ergebnis: %1</translation>
    </message>
    <message>
        <source>Point %1 skipped: %2</source>
        <translation>Punkt %1 ausgelassen: %2</translation>
    </message>
    <message>
        <source>no reason given</source>
        <translation>kein Grund angegeben</translation>
    </message>
    <message>
        <source>Point %1: %2</source>
        <translation>Punkt %1: %2</translation>
    </message>
    <message>
        <source>Skipped points and notes</source>
        <translation>Ausgelassene Punkte und Notizen</translation>
    </message>
    <message>
        <source>The report could not be written to %1.</source>
        <translation>Der Bericht konnte nicht nach %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>Comparison of two lighting surveys: %1, %2</source>
        <translation>Vergleich zweier Lichtmessungen: %1, %2</translation>
    </message>
    <message>
        <source>A (before)</source>
        <translation>A (vorher)</translation>
    </message>
    <message>
        <source>B (after)</source>
        <translation>B (nachher)</translation>
    </message>
    <message>
        <source>Requirement A</source>
        <translation>Anforderung A</translation>
    </message>
    <message>
        <source>Requirement B</source>
        <translation>Anforderung B</translation>
    </message>
    <message numerus="yes">
        <source>%n point(s) in the same place (within 5 cm) in both surveys</source>
        <translation>
            <numerusform>%n Punkt an derselben Stelle (auf 5 cm genau) in beiden Messungen</numerusform>
            <numerusform>%n Punkte an derselben Stelle (auf 5 cm genau) in beiden Messungen</numerusform>
        </translation>
    </message>
    <message>
        <source>; %1 in A only, %2 in B only</source>
        <translation>; %1 nur in A, %2 nur in B</translation>
    </message>
    <message>
        <source> (no % of 0 lx)</source>
        <translation> (kein % von 0 lx)</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>Points taken</source>
        <translation>Gemessene Punkte</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Change at each point (B − A)</source>
        <translation>Änderung an jedem Punkt (B − A)</translation>
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
    <name>lux::DesktopPublishing</name>
    <message>
        <source>The meter name must be 1 to 64 letters, digits, &apos;-&apos; or &apos;_&apos;: it names the meter&apos;s topics.</source>
        <translation>Der Messgerätename muss aus 1 bis 64 Buchstaben, Ziffern, &apos;-&apos; oder &apos;_&apos; bestehen: er benennt die Topics des Messgeräts.</translation>
    </message>
    <message>
        <source>A password file needs a user name.</source>
        <translation>Eine Passwortdatei braucht einen Benutzernamen.</translation>
    </message>
    <message>
        <source>mqtts:// needs a CA file: the certificate of the authority that signed the broker&apos;s certificate.</source>
        <translation>mqtts:// braucht eine CA-Datei: das Zertifikat der Stelle, die das Zertifikat des Brokers signiert hat.</translation>
    </message>
    <message>
        <source>The discovery prefix must be topic levels without &apos;+&apos;, &apos;#&apos;, spaces or empty levels.</source>
        <translation>Das Discovery-Präfix muss aus Topic-Ebenen ohne &apos;+&apos;, &apos;#&apos;, Leerzeichen oder leere Ebenen bestehen.</translation>
    </message>
    <message>
        <source>The broker %1 refused the user name or the password (%2). Publishing has stopped: check them and start again.</source>
        <translation>Der Broker %1 hat den Benutzernamen oder das Passwort abgelehnt (%2). Das Veröffentlichen wurde beendet: prüfen Sie beides und starten Sie erneut.</translation>
    </message>
    <message>
        <source>Publishing has stopped: %1</source>
        <translation>Das Veröffentlichen wurde beendet: %1</translation>
    </message>
    <message>
        <source>Publishing readings could not start again: %1</source>
        <translation>Das Veröffentlichen der Messwerte konnte nicht wieder starten: %1</translation>
    </message>
    <message>
        <source>Publishing</source>
        <translation>Veröffentlichung läuft</translation>
    </message>
    <message>
        <source>Connecting to the broker</source>
        <translation>Verbindung zum Broker wird aufgebaut</translation>
    </message>
    <message>
        <source>Broker unreachable: %1 readings waiting</source>
        <translation>Broker nicht erreichbar: %1 Messwerte warten</translation>
    </message>
    <message>
        <source>Broker %1</source>
        <translation>Broker %1</translation>
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
    <name>lux::PublishDialog</name>
    <message>
        <source>Publish readings</source>
        <translation>Messwerte veröffentlichen</translation>
    </message>
    <message>
        <source>&amp;Broker URL:</source>
        <translation>&amp;Broker-URL:</translation>
    </message>
    <message>
        <source>Names this meter&apos;s topics: letters, digits, &apos;-&apos; and &apos;_&apos;.</source>
        <translation>Benennt die Topics dieses Messgeräts: Buchstaben, Ziffern, &apos;-&apos; und &apos;_&apos;.</translation>
    </message>
    <message>
        <source>&amp;Meter name:</source>
        <translation>&amp;Messgerätename:</translation>
    </message>
    <message>
        <source>&amp;User name:</source>
        <translation>Ben&amp;utzername:</translation>
    </message>
    <message>
        <source>&amp;Password file:</source>
        <translation>&amp;Passwortdatei:</translation>
    </message>
    <message>
        <source>A file whose first line is the password, readable by you alone (chmod 600). The program never keeps the password itself.</source>
        <translation>Eine Datei, deren erste Zeile das Passwort ist und die nur Sie lesen können (chmod 600). Das Programm speichert das Passwort selbst nie.</translation>
    </message>
    <message>
        <source>TLS</source>
        <translation>TLS</translation>
    </message>
    <message>
        <source>&amp;CA file:</source>
        <translation>&amp;CA-Datei:</translation>
    </message>
    <message>
        <source>Client c&amp;ertificate:</source>
        <translation>Client-Z&amp;ertifikat:</translation>
    </message>
    <message>
        <source>Client &amp;key:</source>
        <translation>Client-&amp;Schlüssel:</translation>
    </message>
    <message>
        <source>optional</source>
        <translation>optional</translation>
    </message>
    <message>
        <source>Home Assistant &amp;discovery</source>
        <translation>Home-Assistant-&amp;Discovery</translation>
    </message>
    <message>
        <source>Discovery prefix</source>
        <translation>Discovery-Präfix</translation>
    </message>
    <message>
        <source>P&amp;refix:</source>
        <translation>P&amp;räfix:</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>S&amp;tarten</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>St&amp;oppen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Wählen…</translation>
    </message>
    <message>
        <source>Choose %1</source>
        <translation>%1 wählen</translation>
    </message>
    <message>
        <source>All Files (*.*)|*.*|</source>
        <translation>Alle Dateien (*.*)|*.*|</translation>
    </message>
    <message>
        <source>Not publishing</source>
        <translation>Keine Veröffentlichung</translation>
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
<context>
    <name>lux::survey::SurveyCapture</name>
    <message>
        <source>The meter shows a banner (SET UP, CLEAR or RS232): there is no reading to take.</source>
        <translation>Das Messgerät zeigt eine Meldung (SET UP, CLEAR oder RS232): es gibt keinen Messwert.</translation>
    </message>
    <message>
        <source>The meter shows an overload (OL): there is no reading to take. Choose a higher range.</source>
        <translation>Das Messgerät zeigt eine Überlast (OL): es gibt keinen Messwert. Wählen Sie einen höheren Bereich.</translation>
    </message>
    <message>
        <source>The meter shows %1, which is no illuminance: switch it back to plain lux or foot-candles.</source>
        <translation>Das Messgerät zeigt %1, das ist keine Beleuchtungsstärke: schalten Sie es zurück auf Lux oder Foot-Candle.</translation>
    </message>
    <message>
        <source>The reading carries no lux or fc unit: there is no illuminance to take.</source>
        <translation>Der Messwert hat keine Einheit lx oder fc: es gibt keine Beleuchtungsstärke.</translation>
    </message>
    <message>
        <source>The meter holds its reading (HOLD): release it, or allow held readings.</source>
        <translation>Das Messgerät hält seinen Wert (HOLD): lösen Sie ihn oder erlauben Sie gehaltene Werte.</translation>
    </message>
    <message>
        <source>The meter shows a negative reading, which is no illuminance.</source>
        <translation>Das Messgerät zeigt einen negativen Wert, das ist keine Beleuchtungsstärke.</translation>
    </message>
    <message>
        <source>Waiting for a steady reading: %1 of %2 within ±%3 %</source>
        <translation>Warten auf einen stabilen Wert: %1 von %2 innerhalb ±%3 %</translation>
    </message>
    <message>
        <source>No fresh reading: the meter is not answering.</source>
        <translation>Kein aktueller Messwert: das Messgerät antwortet nicht.</translation>
    </message>
    <message>
        <source>This survey has no point to take.</source>
        <translation>Diese Lichtmessung hat keinen Punkt zum Messen.</translation>
    </message>
    <message>
        <source>No steady reading within %1 s: the readings vary by more than ±%2 %. Take the point again, or switch off the wait for a steady reading.</source>
        <translation>Kein stabiler Wert innerhalb von %1 s: die Werte schwanken um mehr als ±%2 %. Messen Sie den Punkt noch einmal oder schalten Sie das Warten auf einen stabilen Wert aus.</translation>
    </message>
</context>
<context>
    <name>lux::survey::SurveyCompareWindow</name>
    <message>
        <source>Compare Surveys</source>
        <translation>Messungen vergleichen</translation>
    </message>
    <message>
        <source>A (before)</source>
        <translation>A (vorher)</translation>
    </message>
    <message>
        <source>B (after)</source>
        <translation>B (nachher)</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>Point in A</source>
        <translation>Punkt in A</translation>
    </message>
    <message>
        <source>Point in B</source>
        <translation>Punkt in B</translation>
    </message>
    <message>
        <source>x (m)</source>
        <translation>x (m)</translation>
    </message>
    <message>
        <source>y (m)</source>
        <translation>y (m)</translation>
    </message>
    <message>
        <source>A (lx)</source>
        <translation>A (lx)</translation>
    </message>
    <message>
        <source>B (lx)</source>
        <translation>B (lx)</translation>
    </message>
    <message>
        <source>Change (lx)</source>
        <translation>Änderung (lx)</translation>
    </message>
    <message>
        <source>Change (%)</source>
        <translation>Änderung (%)</translation>
    </message>
    <message>
        <source>Plan of Changes</source>
        <translation>Plan der Änderungen</translation>
    </message>
    <message>
        <source>Points</source>
        <translation>Punkte</translation>
    </message>
    <message>
        <source>Swap A and B</source>
        <translation>A und B tauschen</translation>
    </message>
    <message>
        <source>Export Plan…</source>
        <translation>Plan exportieren…</translation>
    </message>
    <message>
        <source>Export CSV…</source>
        <translation>CSV exportieren…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>A (before): %1</source>
        <translation>A (vorher): %1</translation>
    </message>
    <message>
        <source>B (after): %1</source>
        <translation>B (nachher): %1</translation>
    </message>
    <message>
        <source>%1 lx</source>
        <translation>%1 lx</translation>
    </message>
    <message>
        <source>centre line ≥ %1 lx, max/min ≤ %2</source>
        <translation>Mittellinie ≥ %1 lx, max/min ≤ %2</translation>
    </message>
    <message>
        <source>Ē ≥ %1 lx, U0 ≥ %2</source>
        <translation>Ē ≥ %1 lx, U0 ≥ %2</translation>
    </message>
    <message>
        <source> (no % of 0 lx)</source>
        <translation> (kein % von 0 lx)</translation>
    </message>
    <message>
        <source>Points taken</source>
        <translation>Gemessene Punkte</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Ausgelassen</translation>
    </message>
    <message>
        <source>Ē (average)</source>
        <translation>Ē (Mittelwert)</translation>
    </message>
    <message>
        <source>Emin</source>
        <translation>Emin</translation>
    </message>
    <message>
        <source>Emax</source>
        <translation>Emax</translation>
    </message>
    <message>
        <source>U0 = Emin/Ē</source>
        <translation>U0 = Emin/Ē</translation>
    </message>
    <message>
        <source>Requirement</source>
        <translation>Anforderung</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message numerus="yes">
        <source>%n point(s) in the same place in both surveys</source>
        <translation>
            <numerusform>%n Punkt an derselben Stelle in beiden Messungen</numerusform>
            <numerusform>%n Punkte an derselben Stelle in beiden Messungen</numerusform>
        </translation>
    </message>
    <message>
        <source>; %1 in A only, %2 in B only</source>
        <translation>; %1 nur in A, %2 nur in B</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>ausgelassen</translation>
    </message>
    <message>
        <source>not taken</source>
        <translation>nicht gemessen</translation>
    </message>
    <message>
        <source>none (A: 0 lx)</source>
        <translation>keine (A: 0 lx)</translation>
    </message>
    <message>
        <source>PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg|</source>
        <translation>PNG-Bild (*.png)|*.png|SVG-Bild (*.svg)|*.svg|</translation>
    </message>
    <message>
        <source>CSV (*.csv)|*.csv|</source>
        <translation>CSV (*.csv)|*.csv|</translation>
    </message>
    <message>
        <source>The points could not be written to %1: %2</source>
        <translation>Die Punkte konnten nicht nach %1 geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Report PDF…</source>
        <translation>Bericht als PDF…</translation>
    </message>
    <message>
        <source>PDF (*.pdf)|*.pdf|</source>
        <translation>PDF (*.pdf)|*.pdf|</translation>
    </message>
</context>
<context>
    <name>lux::survey::SurveyWindow</name>
    <message>
        <source>Lighting survey (*.luxsurvey)|*.luxsurvey|</source>
        <translation>Lichtmessung (*.luxsurvey)|*.luxsurvey|</translation>
    </message>
    <message>
        <source>Lighting Survey</source>
        <translation>Lichtmessung</translation>
    </message>
    <message>
        <source>Take</source>
        <translation>Messen</translation>
    </message>
    <message>
        <source>Cancel Wait</source>
        <translation>Warten abbrechen</translation>
    </message>
    <message>
        <source>Where</source>
        <translation>Wo</translation>
    </message>
    <message>
        <source>model, serial number, calibration date</source>
        <translation>Modell, Seriennummer, Kalibrierdatum</translation>
    </message>
    <message>
        <source>Site:</source>
        <translation>Ort:</translation>
    </message>
    <message>
        <source>Area:</source>
        <translation>Bereich:</translation>
    </message>
    <message>
        <source>Note:</source>
        <translation>Notiz:</translation>
    </message>
    <message>
        <source>Meter:</source>
        <translation>Messgerät:</translation>
    </message>
    <message>
        <source>Measuring height (m):</source>
        <translation>Messhöhe (m):</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Raster</translation>
    </message>
    <message>
        <source>Automatic (workplace rule)</source>
        <translation>Automatisch (Arbeitsstättenregel)</translation>
    </message>
    <message>
        <source>By hand: rows × columns</source>
        <translation>Von Hand: Zeilen × Spalten</translation>
    </message>
    <message>
        <source>Escape route</source>
        <translation>Fluchtweg</translation>
    </message>
    <message>
        <source>Also the edges of the central band</source>
        <translation>Auch die Ränder des Mittelstreifens</translation>
    </message>
    <message>
        <source>Kind:</source>
        <translation>Art:</translation>
    </message>
    <message>
        <source>Length (m):</source>
        <translation>Länge (m):</translation>
    </message>
    <message>
        <source>Width (m):</source>
        <translation>Breite (m):</translation>
    </message>
    <message>
        <source>Border band (m):</source>
        <translation>Randzone (m):</translation>
    </message>
    <message>
        <source>Rows:</source>
        <translation>Zeilen:</translation>
    </message>
    <message>
        <source>Columns:</source>
        <translation>Spalten:</translation>
    </message>
    <message>
        <source>Requirement</source>
        <translation>Anforderung</translation>
    </message>
    <message>
        <source>Edit Task Areas…</source>
        <translation>Sehaufgaben bearbeiten…</translation>
    </message>
    <message>
        <source>Task area:</source>
        <translation>Bereich der Sehaufgabe:</translation>
    </message>
    <message>
        <source>Ē required (lx):</source>
        <translation>Ē gefordert (lx):</translation>
    </message>
    <message>
        <source>U0 required:</source>
        <translation>U0 gefordert:</translation>
    </message>
    <message>
        <source>Centre-line minimum (lx):</source>
        <translation>Minimum Mittellinie (lx):</translation>
    </message>
    <message>
        <source>Max/min at most:</source>
        <translation>Max/Min höchstens:</translation>
    </message>
    <message>
        <source>Source:</source>
        <translation>Quelle:</translation>
    </message>
    <message>
        <source>Open Survey…</source>
        <translation>Lichtmessung öffnen…</translation>
    </message>
    <message>
        <source>Start Survey</source>
        <translation>Messung beginnen</translation>
    </message>
    <message>
        <source>Typed in</source>
        <translation>Eingegeben</translation>
    </message>
    <message>
        <source>Plan</source>
        <translation>Plan</translation>
    </message>
    <message>
        <source>Heat Map</source>
        <translation>Wärmebild</translation>
    </message>
    <message>
        <source>Current point</source>
        <translation>Aktueller Punkt</translation>
    </message>
    <message>
        <source>Stores the meter&apos;s reading at the current point (Space or Enter)</source>
        <translation>Speichert den Wert des Messgeräts am aktuellen Punkt (Leertaste oder Eingabe)</translation>
    </message>
    <message>
        <source>Skip…</source>
        <translation>Auslassen…</translation>
    </message>
    <message>
        <source>Note…</source>
        <translation>Notiz…</translation>
    </message>
    <message>
        <source>Wait for a steady reading</source>
        <translation>Auf einen stabilen Wert warten</translation>
    </message>
    <message>
        <source> readings</source>
        <translation> Werte</translation>
    </message>
    <message>
        <source>Allow held readings (HOLD)</source>
        <translation>Gehaltene Werte erlauben (HOLD)</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>New Survey</source>
        <translation>Neue Messung</translation>
    </message>
    <message>
        <source>Open…</source>
        <translation>Öffnen…</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>Speichern unter…</translation>
    </message>
    <message>
        <source>Export CSV…</source>
        <translation>CSV exportieren…</translation>
    </message>
    <message>
        <source>Export Plan…</source>
        <translation>Plan exportieren…</translation>
    </message>
    <message>
        <source>Export Heat Map…</source>
        <translation>Wärmebild exportieren…</translation>
    </message>
    <message>
        <source>Report PDF…</source>
        <translation>Bericht als PDF…</translation>
    </message>
    <message>
        <source>Print…</source>
        <translation>Drucken…</translation>
    </message>
    <message>
        <source>typed in</source>
        <translation>eingegeben</translation>
    </message>
    <message>
        <source>No grid: %1</source>
        <translation>Kein Raster: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n point(s): %1 × %2, cells %3 m × %4 m</source>
        <translation>
            <numerusform>%n Punkt: %1 × %2, Zellen %3 m × %4 m</numerusform>
            <numerusform>%n Punkte: %1 × %2, Zellen %3 m × %4 m</numerusform>
        </translation>
    </message>
    <message>
        <source>No grid can be laid out: %1.</source>
        <translation>Es lässt sich kein Raster anlegen: %1.</translation>
    </message>
    <message>
        <source>taken: %1 lx</source>
        <translation>gemessen: %1 lx</translation>
    </message>
    <message>
        <source>skipped: %1</source>
        <translation>ausgelassen: %1</translation>
    </message>
    <message>
        <source>not taken yet</source>
        <translation>noch nicht gemessen</translation>
    </message>
    <message>
        <source>Point %1 of %2 at x %3 m, y %4 m (%5)</source>
        <translation>Punkt %1 von %2 bei x %3 m, y %4 m (%5)</translation>
    </message>
    <message>
        <source>No point</source>
        <translation>Kein Punkt</translation>
    </message>
    <message>
        <source>&lt;b&gt;pass&lt;/b&gt;</source>
        <translation>&lt;b&gt;bestanden&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;FAIL&lt;/b&gt;</source>
        <translation>&lt;b&gt;NICHT BESTANDEN&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Result: %1</source>
        <translation>Ergebnis: %1</translation>
    </message>
    <message>
        <source>Meter: %1 %2 (cannot be taken)</source>
        <translation>Messgerät: %1 %2 (nicht messbar)</translation>
    </message>
    <message>
        <source>Meter: %1 fc = %2 lx</source>
        <translation>Messgerät: %1 fc = %2 lx</translation>
    </message>
    <message>
        <source>Meter: %1 lx</source>
        <translation>Messgerät: %1 lx</translation>
    </message>
    <message>
        <source>Why is point %1 skipped (an obstacle, a cupboard…)?</source>
        <translation>Warum wird Punkt %1 ausgelassen (ein Hindernis, ein Schrank…)?</translation>
    </message>
    <message>
        <source>Skip Point</source>
        <translation>Punkt auslassen</translation>
    </message>
    <message>
        <source>Note on point %1:</source>
        <translation>Notiz zu Punkt %1:</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>All Files (*.*)|*.*|</source>
        <translation>Alle Dateien (*.*)|*.*|</translation>
    </message>
    <message>
        <source>CSV (*.csv)|*.csv|</source>
        <translation>CSV (*.csv)|*.csv|</translation>
    </message>
    <message>
        <source>The points could not be written to %1: %2</source>
        <translation>Die Punkte konnten nicht nach %1 geschrieben werden: %2</translation>
    </message>
    <message>
        <source>PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg|</source>
        <translation>PNG-Bild (*.png)|*.png|SVG-Bild (*.svg)|*.svg|</translation>
    </message>
    <message>
        <source>PDF (*.pdf)|*.pdf|</source>
        <translation>PDF (*.pdf)|*.pdf|</translation>
    </message>
    <message>
        <source>Task Areas</source>
        <translation>Sehaufgaben</translation>
    </message>
    <message>
        <source>Each row: room or route, the task area, its figures and where they come from. Check the figures against the standard you work to.</source>
        <translation>Jede Zeile: Raum oder Fluchtweg, der Bereich der Sehaufgabe, seine Werte und ihre Herkunft. Prüfen Sie die Werte an der Norm, nach der Sie arbeiten.</translation>
    </message>
    <message>
        <source>Kind (room/route)</source>
        <translation>Art (room/route)</translation>
    </message>
    <message>
        <source>Task area</source>
        <translation>Bereich der Sehaufgabe</translation>
    </message>
    <message>
        <source>Ē (lx)</source>
        <translation>Ē (lx)</translation>
    </message>
    <message>
        <source>U0</source>
        <translation>U0</translation>
    </message>
    <message>
        <source>Minimum (lx)</source>
        <translation>Minimum (lx)</translation>
    </message>
    <message>
        <source>Max/min</source>
        <translation>Max/Min</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Add Row</source>
        <translation>Zeile hinzufügen</translation>
    </message>
    <message>
        <source>Remove Row</source>
        <translation>Zeile entfernen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Every row needs a kind (room or route), a task area and figures that are numbers (U0 at most 1).</source>
        <translation>Jede Zeile braucht eine Art (room oder route), einen Bereich und Werte, die Zahlen sind (U0 höchstens 1).</translation>
    </message>
    <message>
        <source>The task areas could not be saved to %1: %2</source>
        <translation>Die Sehaufgaben konnten nicht nach %1 gespeichert werden: %2</translation>
    </message>
    <message>
        <source>This survey has never been saved. Save it before you leave it?</source>
        <translation>Diese Lichtmessung wurde noch nie gespeichert. Vor dem Verlassen speichern?</translation>
    </message>
    <message>
        <source>The survey %1 has changes that are not saved. Save them before you leave it?</source>
        <translation>Die Lichtmessung %1 hat ungespeicherte Änderungen. Vor dem Verlassen speichern?</translation>
    </message>
    <message>
        <source>Meter: not answering, no reading to take</source>
        <translation>Messgerät: antwortet nicht, kein Messwert zu übernehmen</translation>
    </message>
    <message>
        <source>No reading has come from the meter for a few seconds. Check that it is switched on and connected.</source>
        <translation>Seit einigen Sekunden kam kein Messwert vom Messgerät. Prüfen Sie, ob es eingeschaltet und angeschlossen ist.</translation>
    </message>
    <message>
        <source>Compare With…</source>
        <translation>Vergleichen mit…</translation>
    </message>
    <message>
        <source>Compares this survey with an earlier one, point by point (%1)</source>
        <translation>Vergleicht diese Messung Punkt für Punkt mit einer früheren (%1)</translation>
    </message>
    <message>
        <source>this survey (not saved)</source>
        <translation>diese Messung (nicht gespeichert)</translation>
    </message>
</context>
</TS>
