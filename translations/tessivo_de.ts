<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>tessivo::AboutWindow</name>
    <message>
        <source>About Tessivo</source>
        <translation>Über Tessivo</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Version </source>
        <translation>Version </translation>
    </message>
    <message>
        <source>

Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later)

Running on </source>
        <translation>

Lizenz: GNU General Public License, Version 3 oder neuer (GPL-3.0-or-later)

Läuft mit </translation>
    </message>
</context>
<context>
    <name>tessivo::AutosaveController</name>
    <message>
        <source>Restore the unsaved edit of %1 from %2?</source>
        <translation>Die nicht gespeicherte Bearbeitung von %1 vom %2 wiederherstellen?</translation>
    </message>
    <message>
        <source>The edit kept for %1 cannot be restored: %2</source>
        <translation>Die für %1 aufbewahrte Bearbeitung kann nicht wiederhergestellt werden: %2</translation>
    </message>
</context>
<context>
    <name>tessivo::BatchSplitDialog</name>
    <message>
        <source>Parts (2 to 200):</source>
        <translation>Teile (2 bis 200):</translation>
    </message>
    <message>
        <source>Length [H:]MM:SS:</source>
        <translation>Länge [H:]MM:SS:</translation>
    </message>
    <message>
        <source>Threshold %, pause ms:</source>
        <translation>Schwelle %, Pause ms:</translation>
    </message>
    <message>
        <source>Length [H:]MM:SS[,tolerance %]:</source>
        <translation>Länge [H:]MM:SS[,Toleranz %]:</translation>
    </message>
    <message>
        <source>Cut list beside each file:</source>
        <translation>Schnittliste neben jeder Datei:</translation>
    </message>
    <message>
        <source>1 part</source>
        <translation>1 Teil</translation>
    </message>
    <message>
        <source>%1 parts</source>
        <translation>%1 Teile</translation>
    </message>
    <message>
        <source>Batch split</source>
        <translation>Stapelweise teilen</translation>
    </message>
    <message>
        <source>Split</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Add files...</source>
        <translation>Dateien hinzufügen …</translation>
    </message>
    <message>
        <source>Add folder...</source>
        <translation>Ordner hinzufügen …</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Way of cutting</source>
        <translation>Art des Schneidens</translation>
    </message>
    <message>
        <source>Equal parts</source>
        <translation>Gleiche Teile</translation>
    </message>
    <message>
        <source>Equal time</source>
        <translation>Gleiche Dauer</translation>
    </message>
    <message>
        <source>At pauses</source>
        <translation>An Pausen</translation>
    </message>
    <message>
        <source>At pauses near a length</source>
        <translation>An Pausen nahe einer Länge</translation>
    </message>
    <message>
        <source>Cut list beside each file</source>
        <translation>Schnittliste neben jeder Datei</translation>
    </message>
    <message>
        <source>Cue sheet (NAME.cue)</source>
        <translation>Cue-Sheet (NAME.cue)</translation>
    </message>
    <message>
        <source>Audacity labels (NAME.txt)</source>
        <translation>Audacity-Marken (NAME.txt)</translation>
    </message>
    <message>
        <source>CSV (NAME.csv)</source>
        <translation>CSV (NAME.csv)</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>Modus:</translation>
    </message>
    <message>
        <source>Cut list:</source>
        <translation>Schnittliste:</translation>
    </message>
    <message>
        <source>Replace existing part files</source>
        <translation>Vorhandene Teildateien ersetzen</translation>
    </message>
    <message>
        <source>All parts in the output folder itself</source>
        <translation>Alle Teile direkt in den Ausgabeordner</translation>
    </message>
    <message>
        <source>Otherwise each file&apos;s parts go to a folder named after the file</source>
        <translation>Sonst kommen die Teile jeder Datei in einen Ordner, der nach der Datei benannt ist</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen …</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Output folder:</source>
        <translation>Ausgabeordner:</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
    <message>
        <source>MP3 files (*.mp3 *.MP3)</source>
        <translation>MP3-Dateien (*.mp3 *.MP3)</translation>
    </message>
    <message>
        <source>Add the MP3 files of a folder</source>
        <translation>Die MP3-Dateien eines Ordners hinzufügen</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a value for %2: %3</source>
        <translation>„%1“ ist kein Wert für %2: %3</translation>
    </message>
    <message>
        <source>Add the files to split first.</source>
        <translation>Zuerst die zu teilenden Dateien hinzufügen.</translation>
    </message>
    <message>
        <source>Choose the output folder.</source>
        <translation>Den Ausgabeordner wählen.</translation>
    </message>
    <message>
        <source>splitting</source>
        <translation>wird geteilt</translation>
    </message>
    <message>
        <source>failed: </source>
        <translation>fehlgeschlagen: </translation>
    </message>
    <message>
        <source>Save ID3 Tags</source>
        <translation>ID3-Tags speichern</translation>
    </message>
    <message>
        <source>Gapless parts</source>
        <translation>Lückenlose Teile</translation>
    </message>
</context>
<context>
    <name>tessivo::ConfirmDialog</name>
    <message>
        <source>Output Folder:</source>
        <translation>Ausgabeordner:</translation>
    </message>
    <message>
        <source>Select the output folder</source>
        <translation>Den Ausgabeordner wählen</translation>
    </message>
    <message>
        <source>Save ID3 Tags</source>
        <translation>ID3-Tags speichern</translation>
    </message>
    <message>
        <source>Gapless parts</source>
        <translation>Lückenlose Teile</translation>
    </message>
    <message>
        <source>Write the parts so that players join them without a gap</source>
        <translation>Die Teile so schreiben, dass Player sie ohne Lücke aneinanderfügen</translation>
    </message>
    <message>
        <source>Number the parts n/N</source>
        <translation>Teile n/N nummerieren</translation>
    </message>
    <message>
        <source>Give the parts written the track numbers 1/N to N/N</source>
        <translation>Den geschriebenen Teilen die Titelnummern 1/N bis N/N geben</translation>
    </message>
    <message>
        <source>The tags each part gets</source>
        <translation>Die Tags, die jeder Teil erhält</translation>
    </message>
    <message>
        <source>Split</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <source>Write the ticked parts</source>
        <translation>Die angehakten Teile schreiben</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Close without writing anything</source>
        <translation>Schließen, ohne etwas zu schreiben</translation>
    </message>
    <message>
        <source>%1 of %2 parts are prepared for splitting.</source>
        <translation>%1 von %2 Teilen sind zum Aufteilen vorbereitet.</translation>
    </message>
    <message>
        <source>
The parts&apos; titles are written with their tags.</source>
        <translation>
Die Titel der Teile werden mit ihren Tags geschrieben.</translation>
    </message>
    <message>
        <source>
Tick Save ID3 Tags to write the parts&apos; titles.</source>
        <translation>
ID3-Tags speichern anhaken, um die Titel der Teile zu schreiben.</translation>
    </message>
    <message>
        <source>Write each part&apos;s tags as %1</source>
        <translation>Die Tags jedes Teils als %1 schreiben</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>Pegel</translation>
    </message>
    <message>
        <source>Change the volume of the parts without re-encoding, in steps of 1.5 dB</source>
        <translation>Die Lautstärke der Teile ohne Neukodierung ändern, in Schritten von 1,5 dB</translation>
    </message>
    <message>
        <source>Write each part&apos;s loudness as ReplayGain into its ID3v2 tag (not into ID3v1 alone)</source>
        <translation>Die Lautheit jedes Teils als ReplayGain in sein ID3v2-Tag schreiben (nicht in ID3v1 allein)</translation>
    </message>
    <message>
        <source>Write the ticked parts as one file</source>
        <translation>Die angehakten Teile als eine Datei schreiben</translation>
    </message>
    <message>
        <source>One file with a chapter per part, the source&apos;s tag and the tag format&apos;s ID3v2 version</source>
        <translation>Eine Datei mit einem Kapitel je Teil, dem Tag der Quelle und der ID3v2-Version des Tag-Formats</translation>
    </message>
    <message>
        <source>The file to write (a name alone: in the output folder)</source>
        <translation>Die zu schreibende Datei (nur ein Name: im Ausgabeordner)</translation>
    </message>
    <message>
        <source>Choose the file to write</source>
        <translation>Die zu schreibende Datei wählen</translation>
    </message>
    <message>
        <source>MP3 files (*.mp3 *.MP3)</source>
        <translation>MP3-Dateien (*.mp3 *.MP3)</translation>
    </message>
    <message>
        <source>No parts prepared to split.</source>
        <translation>Keine Teile zum Aufteilen vorbereitet.</translation>
    </message>
    <message>
        <source> Please select a folder</source>
        <translation> Bitte einen Ordner wählen</translation>
    </message>
    <message>
        <source>Please select a folder</source>
        <translation>Bitte einen Ordner wählen</translation>
    </message>
    <message>
        <source>Splitting</source>
        <translation>Wird geteilt</translation>
    </message>
    <message>
        <source>Please choose the file to write</source>
        <translation>Bitte die zu schreibende Datei wählen</translation>
    </message>
    <message>
        <source>No parts prepared to split. No part is ticked.</source>
        <translation>Keine Teile zum Aufteilen vorbereitet. Kein Teil ist angehakt.</translation>
    </message>
    <message>
        <source> exists. Replace?</source>
        <translation> existiert bereits. Ersetzen?</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source> exists</source>
        <translation> existiert bereits</translation>
    </message>
    <message>
        <source> (and %1 more)</source>
        <translation> (und %1 weitere)</translation>
    </message>
    <message>
        <source>. Replace?</source>
        <translation>. Ersetzen?</translation>
    </message>
    <message>
        <source>The tag of %1 could be read only in part; the parts carry what could be read.</source>
        <translation>Das Tag von %1 konnte nur teilweise gelesen werden; die Teile erhalten, was gelesen werden konnte.</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen …</translation>
    </message>
    <message>
        <source>Cannot make the folder of %1: %2</source>
        <translation>Der Ordner für %1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Fade in/out (ms)</source>
        <translation>Ein-/Ausblenden (ms)</translation>
    </message>
    <message>
        <source>Fade every part in and out without re-encoding (0: no fade)</source>
        <translation>Jeden Teil ohne Neukodierung ein- und ausblenden (0: nicht blenden)</translation>
    </message>
    <message>
        <source>Trim silence at the edges</source>
        <translation>Stille an den Rändern kürzen</translation>
    </message>
    <message>
        <source>Drop the silence at the start and end of every part but for 0.3 s (the pause settings say what is silence)</source>
        <translation>Die Stille am Anfang und Ende jedes Teils bis auf 0,3 s weglassen (die Pauseneinstellungen bestimmen, was Stille ist)</translation>
    </message>
    <message>
        <source>Shorten pauses to (s)</source>
        <translation>Pausen kürzen auf (s)</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>In the one file, every longer pause is shortened to this many seconds, without re-encoding (Off: none)</source>
        <translation>In der einen Datei wird jede längere Pause ohne Neukodierung auf so viele Sekunden gekürzt (Aus: keine)</translation>
    </message>
    <message>
        <source>Gapless parts cannot carry muted stretches: untick Gapless to split with them.</source>
        <translation>Lückenlose Teile können keine stummgeschalteten Abschnitte tragen: Lückenlos abwählen, um mit ihnen zu teilen.</translation>
    </message>
    <message>
        <source>auto</source>
        <translation>auto</translation>
    </message>
    <message>
        <source>The gain that brings the parts written nearest -18 LUFS, lowered until their peak does not clip</source>
        <translation>Die Verstärkung, die die geschriebenen Teile am nächsten an -18 LUFS bringt, gesenkt, bis ihre Spitze nicht übersteuert</translation>
    </message>
</context>
<context>
    <name>tessivo::ControlPanel</name>
    <message>
        <source>Split</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <source>Split &amp; Save</source>
        <translation>Teilen &amp; Speichern</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Play (Space)</source>
        <translation>Start (Leertaste)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Stop (Space)</source>
        <translation>Stopp (Leertaste)</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Playback Volume</source>
        <translation>Wiedergabelautstärke</translation>
    </message>
    <message>
        <source>Rate</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>Playback Rate</source>
        <translation>Wiedergabetempo</translation>
    </message>
    <message>
        <source>Open a File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Zoom In Time</source>
        <translation>Zeitlich vergrößern</translation>
    </message>
    <message>
        <source>Zoom Out Time</source>
        <translation>Zeitlich verkleinern</translation>
    </message>
</context>
<context>
    <name>tessivo::CutListCommands</name>
    <message>
        <source>Cut lists (*.cue *.txt *.csv);;Cue sheets (*.cue);;Audacity labels (*.txt);;CSV (*.csv)</source>
        <translation>Schnittlisten (*.cue *.txt *.csv);;Cue-Sheets (*.cue);;Audacity-Marken (*.txt);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Audacity labels (*.txt);;Cue sheets (*.cue);;CSV (*.csv)</source>
        <translation>Audacity-Marken (*.txt);;Cue-Sheets (*.cue);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Cannot write </source>
        <translation>Kann nicht geschrieben werden: </translation>
    </message>
</context>
<context>
    <name>tessivo::CutReview</name>
    <message>
        <source>Cut %1 of %2, not in a pause</source>
        <translation>Schnitt %1 von %2, nicht in einer Pause</translation>
    </message>
    <message>
        <source>Cut %1 of %2, in a pause of %3 s</source>
        <translation>Schnitt %1 von %2, in einer Pause von %3 s</translation>
    </message>
    <message>
        <source>Next cut</source>
        <translation>Nächster Schnitt</translation>
    </message>
    <message>
        <source>Previous cut</source>
        <translation>Vorheriger Schnitt</translation>
    </message>
</context>
<context>
    <name>tessivo::EditCommands</name>
    <message>
        <source>Start of part:</source>
        <translation>Teilbeginn:</translation>
    </message>
    <message>
        <source>The selected part&apos;s start: h:mm:ss.mmm, mm:ss.mmm, seconds or the list&apos;s mm:ss:mmm (Enter moves its cut line)</source>
        <translation>Beginn des gewählten Teils: h:mm:ss.mmm, mm:ss.mmm, Sekunden oder mm:ss:mmm wie in der Liste (Eingabe verschiebt seine Schnittlinie)</translation>
    </message>
    <message>
        <source>The first part starts with the file.</source>
        <translation>Der erste Teil beginnt mit der Datei.</translation>
    </message>
    <message>
        <source>Add cut at…</source>
        <translation>Schnitt bei …</translation>
    </message>
    <message>
        <source>Time (h:mm:ss.mmm):</source>
        <translation>Zeit (h:mm:ss.mmm):</translation>
    </message>
    <message>
        <source>No more than %1 cut lines.</source>
        <translation>Nicht mehr als %1 Schnittlinien.</translation>
    </message>
</context>
<context>
    <name>tessivo::EditHistory</name>
    <message>
        <source>Add Cut Line</source>
        <translation>Schnittlinie hinzufügen</translation>
    </message>
    <message>
        <source>Move Cut Line</source>
        <translation>Schnittlinie verschieben</translation>
    </message>
    <message>
        <source>Delete Cut Line</source>
        <translation>Schnittlinie löschen</translation>
    </message>
    <message>
        <source>Prepare</source>
        <translation>Vorbereiten</translation>
    </message>
    <message>
        <source>Clear Cut Lines</source>
        <translation>Schnittlinien löschen</translation>
    </message>
    <message>
        <source>Tick Part</source>
        <translation>Teil anhaken</translation>
    </message>
    <message>
        <source>Set Tag</source>
        <translation>Tag setzen</translation>
    </message>
    <message>
        <source>Import Cut List</source>
        <translation>Schnittliste importieren</translation>
    </message>
    <message>
        <source>Restore Edit</source>
        <translation>Bearbeitung wiederherstellen</translation>
    </message>
    <message>
        <source>Cut Out Selection</source>
        <translation>Auswahl herausschneiden</translation>
    </message>
    <message>
        <source>Mute Selection</source>
        <translation>Auswahl stummschalten</translation>
    </message>
</context>
<context>
    <name>tessivo::FrameViewerWindow</name>
    <message>
        <source>TagV1.</source>
        <translation>Tag V1.</translation>
    </message>
    <message>
        <source>TagV2.</source>
        <translation>Tag V2.</translation>
    </message>
    <message>
        <source>TAGV.2 Size - </source>
        <translation>Größe Tag V2 - </translation>
    </message>
    <message>
        <source>First Frame Pos - </source>
        <translation>Pos. erster Frame - </translation>
    </message>
    <message>
        <source>Real Frames - </source>
        <translation>Frames - </translation>
    </message>
    <message>
        <source>Count Frames-</source>
        <translation>Gezählte Frames - </translation>
    </message>
    <message>
        <source>FrameTime - </source>
        <translation>Framedauer - </translation>
    </message>
    <message>
        <source>FrameLength - </source>
        <translation>Framelänge - </translation>
    </message>
    <message>
        <source>FormViewer</source>
        <translation>Frame-Ansicht</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>tessivo::HelpWindow</name>
    <message>
        <source>Tessivo Help</source>
        <translation>Tessivo-Hilfe</translation>
    </message>
    <message>
        <source>The help page tessivo.html was not found.</source>
        <translation>Die Hilfeseite tessivo.html wurde nicht gefunden.</translation>
    </message>
</context>
<context>
    <name>tessivo::JoinDialog</name>
    <message>
        <source>MP3 files (*.mp3 *.MP3)</source>
        <translation>MP3-Dateien (*.mp3 *.MP3)</translation>
    </message>
    <message>
        <source>Join files</source>
        <translation>Dateien verbinden</translation>
    </message>
    <message>
        <source>Files, in the order joined</source>
        <translation>Dateien, in der Reihenfolge des Verbindens</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>Hinzufügen …</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Move up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Move down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>The file to write (a name alone: beside the first file)</source>
        <translation>Die zu schreibende Datei (nur ein Name: neben der ersten Datei)</translation>
    </message>
    <message>
        <source>Choose the file to write</source>
        <translation>Die zu schreibende Datei wählen</translation>
    </message>
    <message>
        <source>The tag written: the first file&apos;s, with the chapters</source>
        <translation>Das geschriebene Tag: das der ersten Datei, mit den Kapiteln</translation>
    </message>
    <message>
        <source>Chapters</source>
        <translation>Kapitel</translation>
    </message>
    <message>
        <source>A chapter per file, titled by the file&apos;s title, else its name</source>
        <translation>Ein Kapitel je Datei, benannt nach dem Titel der Datei, sonst nach ihrem Namen</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>Datei:</translation>
    </message>
    <message>
        <source>Tag:</source>
        <translation>Tag:</translation>
    </message>
    <message>
        <source>Join</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stop the join; nothing is written</source>
        <translation>Das Verbinden abbrechen; nichts wird geschrieben</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Join needs two files or more.</source>
        <translation>Zum Verbinden braucht es zwei oder mehr Dateien.</translation>
    </message>
    <message>
        <source>Please choose the file to write</source>
        <translation>Bitte die zu schreibende Datei wählen</translation>
    </message>
    <message>
        <source>%1 is one of the files to join; choose another name.</source>
        <translation>%1 ist eine der zu verbindenden Dateien; bitte einen anderen Namen wählen.</translation>
    </message>
    <message>
        <source> exists. Replace?</source>
        <translation> existiert bereits. Ersetzen?</translation>
    </message>
    <message>
        <source>Joining %1 files</source>
        <translation>%1 Dateien werden verbunden</translation>
    </message>
    <message>
        <source>Written: %1</source>
        <translation>Geschrieben: %1</translation>
    </message>
    <message>
        <source>Cancelled; nothing was written.</source>
        <translation>Abgebrochen; nichts wurde geschrieben.</translation>
    </message>
    <message>
        <source>Nothing was written.</source>
        <translation>Nichts wurde geschrieben.</translation>
    </message>
    <message>
        <source>Cancelling</source>
        <translation>Wird abgebrochen</translation>
    </message>
    <message>
        <source>Cannot make the folder of %1: %2</source>
        <translation>Der Ordner für %1 kann nicht angelegt werden: %2</translation>
    </message>
</context>
<context>
    <name>tessivo::MainWindow</name>
    <message>
        <source>Unable to write to %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>tessivo::MuteCommands</name>
    <message>
        <source>Mute selection</source>
        <translation>Auswahl stummschalten</translation>
    </message>
</context>
<context>
    <name>tessivo::OpenController</name>
    <message>
        <source>MP3 Files (*.mp3)</source>
        <translation>MP3-Dateien (*.mp3)</translation>
    </message>
    <message>
        <source>Discard the cut lines of %1?</source>
        <translation>Die Schnittlinien von %1 verwerfen?</translation>
    </message>
    <message>
        <source>Opening file</source>
        <translation>Datei wird geöffnet</translation>
    </message>
</context>
<context>
    <name>tessivo::OpenJob</name>
    <message>
        <source>Unknown error while opening the file</source>
        <translation>Unbekannter Fehler beim Öffnen der Datei</translation>
    </message>
</context>
<context>
    <name>tessivo::PartPopupMenu</name>
    <message>
        <source>Play Part</source>
        <translation>Teil abspielen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Use Part</source>
        <translation>Teil verwenden</translation>
    </message>
    <message>
        <source>Clear Cut Lines</source>
        <translation>Schnittlinien löschen</translation>
    </message>
    <message>
        <source>Split...</source>
        <translation>Teilen …</translation>
    </message>
    <message>
        <source>Explorer</source>
        <translation>Dateimanager</translation>
    </message>
    <message>
        <source>Play Part(%1)</source>
        <translation>Teil(%1) abspielen</translation>
    </message>
    <message>
        <source>Use Part(%1)</source>
        <translation>Teil(%1) verwenden</translation>
    </message>
</context>
<context>
    <name>tessivo::PartTableModel</name>
    <message>
        <source>Silent</source>
        <translation>Stille</translation>
    </message>
    <message>
        <source>Not Used</source>
        <translation>Nicht verwendet</translation>
    </message>
    <message>
        <source>Saved</source>
        <translation>Gespeichert</translation>
    </message>
    <message>
        <source>Prepared</source>
        <translation>Vorbereitet</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Begin</source>
        <translation>Beginn</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Titelnr.</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Lautheit</translation>
    </message>
</context>
<context>
    <name>tessivo::PlaybackController</name>
    <message>
        <source>Select a part after the first: its cut line is the one heard.</source>
        <translation>Einen Teil nach dem ersten wählen: Seine Schnittlinie ist die, die zu hören ist.</translation>
    </message>
</context>
<context>
    <name>tessivo::SplitSettingsPanel</name>
    <message>
        <source>Split Settings</source>
        <translation>Aufteilung</translation>
    </message>
    <message>
        <source>Visual Splitting</source>
        <translation>Von Hand teilen</translation>
    </message>
    <message>
        <source>Split into equal parts</source>
        <translation>In gleiche Teile teilen</translation>
    </message>
    <message>
        <source>Split into equal time</source>
        <translation>In gleiche Dauer teilen</translation>
    </message>
    <message>
        <source>Split by silence</source>
        <translation>An Stille teilen</translation>
    </message>
    <message>
        <source>Split at pauses near</source>
        <translation>An Pausen nahe</translation>
    </message>
    <message>
        <source>Split at chapters</source>
        <translation>An Kapiteln teilen</translation>
    </message>
    <message>
        <source>Cut at the file&apos;s chapters, each part titled after its chapter</source>
        <translation>An den Kapiteln der Datei schneiden, jeder Teil nach seinem Kapitel benannt</translation>
    </message>
    <message>
        <source>Place cut lines by hand on the waveform</source>
        <translation>Schnittlinien von Hand auf die Wellenform setzen</translation>
    </message>
    <message>
        <source>Cut the file into a number of equal parts</source>
        <translation>Die Datei in eine Anzahl gleicher Teile schneiden</translation>
    </message>
    <message>
        <source>Cut the file into parts of the given length</source>
        <translation>Die Datei in Teile der angegebenen Länge schneiden</translation>
    </message>
    <message>
        <source>Cut the file at pauses</source>
        <translation>Die Datei an Pausen schneiden</translation>
    </message>
    <message>
        <source>Cut parts of about the given length, each at a pause (using the threshold and pause of split by silence)</source>
        <translation>Teile von etwa der angegebenen Länge schneiden, jeweils an einer Pause (mit Schwelle und Pause von „An Stille teilen“)</translation>
    </message>
    <message>
        <source>Part length, H:MM:SS</source>
        <translation>Länge der Teile, H:MM:SS</translation>
    </message>
    <message>
        <source>Tolerance, percent of the length</source>
        <translation>Toleranz, Prozent der Länge</translation>
    </message>
    <message>
        <source>Prepare</source>
        <translation>Vorbereiten</translation>
    </message>
    <message>
        <source>Prepare Cut Lines</source>
        <translation>Schnittlinien vorbereiten</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Clear Cut Lines</source>
        <translation>Schnittlinien löschen</translation>
    </message>
    <message>
        <source>h</source>
        <translation>h</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Threshold,%</source>
        <translation>Schwelle,%</translation>
    </message>
    <message>
        <source>Pause,ms</source>
        <translation>Pause,ms</translation>
    </message>
    <message>
        <source>Incorrect time value!</source>
        <translation>Ungültige Zeitangabe!</translation>
    </message>
</context>
<context>
    <name>tessivo::StatusController</name>
    <message>
        <source>Calculating Peaks - </source>
        <translation>Spitzen werden berechnet - </translation>
    </message>
    <message>
        <source>Waiting for the exact peaks (%1%)…</source>
        <translation>Warten auf die genauen Spitzen (%1 %)…</translation>
    </message>
    <message>
        <source>Open a file</source>
        <translation>Eine Datei öffnen</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Part(%1)  %2 - %3</source>
        <translation>Teil(%1)  %2 - %3</translation>
    </message>
    <message>
        <source>%1 %2 written to %3  &lt;a href=&quot;%4&quot;&gt;Open folder&lt;/a&gt;</source>
        <translation>%1 %2 geschrieben nach %3  &lt;a href=&quot;%4&quot;&gt;Ordner öffnen&lt;/a&gt;</translation>
    </message>
    <message>
        <source>file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>files</source>
        <translation>Dateien</translation>
    </message>
</context>
<context>
    <name>tessivo::TagPanel</name>
    <message>
        <source>Set</source>
        <translation>Setzen</translation>
    </message>
    <message>
        <source>Set ID3 Tags</source>
        <translation>ID3-Tags setzen</translation>
    </message>
    <message>
        <source>Apply to all parts</source>
        <translation>Auf alle Teile anwenden</translation>
    </message>
    <message>
        <source>Give every part the artist, album, year and genre shown here</source>
        <translation>Jedem Teil den hier gezeigten Interpreten, Album, Jahr und Genre geben</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>ID3 Tags:</source>
        <translation>ID3-Tags:</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Titelnr.</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Part(%1)</source>
        <translation>Teil(%1)</translation>
    </message>
</context>
<context>
    <name>tessivo::TrackListCommands</name>
    <message>
        <source>Track lists (*.txt);;All files (*)</source>
        <translation>Titellisten (*.txt);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>tessivo::UserDialogs</name>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
</context>
<context>
    <name>tessivo::ViewController</name>
    <message>
        <source>Samples shown: a dragged or double-clicked cut line goes to the sample under the pointer (Gapless parts)</source>
        <translation>Samples sichtbar: Eine gezogene oder doppelt angeklickte Schnittlinie springt auf das Sample unter dem Zeiger (lückenlose Teile)</translation>
    </message>
    <message>
        <source>Samples shown: Ctrl+drag or Ctrl+double click puts a cut line at the sample under the pointer</source>
        <translation>Samples sichtbar: Strg+Ziehen oder Strg+Doppelklick setzt eine Schnittlinie auf das Sample unter dem Zeiger</translation>
    </message>
</context>
<context>
    <name>tessivo::WaveRenderer</name>
    <message>
        <source>Click here to open a file</source>
        <translation>Hier klicken, um eine Datei zu öffnen</translation>
    </message>
    <message>
        <source>Then Left Click - Play;  Double Click - Cut</source>
        <translation>Dann Linksklick - Abspielen;  Doppelklick - Schnitt</translation>
    </message>
</context>
<context>
    <name>tessivo::WindowActions</name>
    <message>
        <source>Ctrl+O (letter O)</source>
        <translation>Strg+O (Buchstabe O)</translation>
    </message>
    <message>
        <source>Open a file</source>
        <translation>Eine Datei öffnen</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Strg+S</translation>
    </message>
    <message>
        <source>Split the ticked parts</source>
        <translation>Die angehakten Teile aufteilen</translation>
    </message>
    <message>
        <source>Ctrl+Z</source>
        <translation>Strg+Z</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Ctrl+Shift+Z, Ctrl+Y</source>
        <translation>Strg+Umschalt+Z, Strg+Y</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Ctrl+T</source>
        <translation>Strg+T</translation>
    </message>
    <message>
        <source>Add a cut line at a typed time</source>
        <translation>Eine Schnittlinie bei einer eingegebenen Zeit setzen</translation>
    </message>
    <message>
        <source>M, Insert</source>
        <translation>M, Einfg</translation>
    </message>
    <message>
        <source>Add a cut line at the play cursor</source>
        <translation>Eine Schnittlinie am Wiedergabecursor setzen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Entf</translation>
    </message>
    <message>
        <source>Delete the selected part&apos;s cut line</source>
        <translation>Die Schnittlinie des gewählten Teils löschen</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Leertaste</translation>
    </message>
    <message>
        <source>Play or stop</source>
        <translation>Abspielen oder stoppen</translation>
    </message>
    <message>
        <source>C</source>
        <translation>C</translation>
    </message>
    <message>
        <source>Play around cut: 2 s either side of the selected cut line</source>
        <translation>Um den Schnitt abspielen: 2 s vor und nach der gewählten Schnittlinie</translation>
    </message>
    <message>
        <source>Shift+drag</source>
        <translation>Umschalt+Ziehen</translation>
    </message>
    <message>
        <source>Select a stretch of the waveform; Play plays it</source>
        <translation>Einen Abschnitt der Wellenform wählen; Start spielt ihn ab</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Cut out the selected stretch: cut lines at its edges, the part between them unticked</source>
        <translation>Den ausgewählten Abschnitt herausschneiden: Schnittlinien an seinen Rändern, der Teil dazwischen abgewählt</translation>
    </message>
    <message>
        <source>Ctrl+Shift+S</source>
        <translation>Strg+Umschalt+S</translation>
    </message>
    <message>
        <source>Save the ticked parts as one file</source>
        <translation>Die angehakten Teile als eine Datei speichern</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>Mute the selected stretch in what is written</source>
        <translation>Den ausgewählten Abschnitt in allem Geschriebenen stummschalten</translation>
    </message>
    <message>
        <source>.</source>
        <translation>.</translation>
    </message>
    <message>
        <source>Next cut: select the next cut line and centre it</source>
        <translation>Nächster Schnitt: die nächste Schnittlinie auswählen und mittig zeigen</translation>
    </message>
    <message>
        <source>,</source>
        <translation>,</translation>
    </message>
    <message>
        <source>Previous cut: select the cut line before and centre it</source>
        <translation>Vorheriger Schnitt: die Schnittlinie davor auswählen und mittig zeigen</translation>
    </message>
    <message>
        <source>Ctrl+drag, Ctrl+double click</source>
        <translation>Strg+Ziehen, Strg+Doppelklick</translation>
    </message>
    <message>
        <source>Zoomed in to the samples: a cut line at the sample under the pointer</source>
        <translation>Bis zu den Samples vergrößert: eine Schnittlinie am Sample unter dem Zeiger</translation>
    </message>
    <message>
        <source>Left, Right</source>
        <translation>Links, Rechts</translation>
    </message>
    <message>
        <source>Play cursor one second back or on; the cut under review a tenth of a second</source>
        <translation>Wiedergabecursor eine Sekunde zurück oder vor; den geprüften Schnitt eine Zehntelsekunde</translation>
    </message>
    <message>
        <source>Shift+Left, Shift+Right</source>
        <translation>Umschalt+Links, Umschalt+Rechts</translation>
    </message>
    <message>
        <source>Play cursor or the cut under review one frame back or on</source>
        <translation>Wiedergabecursor oder den geprüften Schnitt einen Frame zurück oder vor</translation>
    </message>
    <message>
        <source>Home, End</source>
        <translation>Pos1, Ende</translation>
    </message>
    <message>
        <source>Play cursor to the start or the end</source>
        <translation>Wiedergabecursor an den Anfang oder das Ende</translation>
    </message>
    <message>
        <source>+, -</source>
        <translation>+, -</translation>
    </message>
    <message>
        <source>Zoom in or out</source>
        <translation>Vergrößern oder verkleinern</translation>
    </message>
    <message>
        <source>Ctrl++, Ctrl+-</source>
        <translation>Strg++, Strg+-</translation>
    </message>
    <message>
        <source>Zoom in, Zoom out</source>
        <translation>Vergrößern, Verkleinern</translation>
    </message>
    <message>
        <source>Ctrl+0 (zero)</source>
        <translation>Strg+0 (Null)</translation>
    </message>
    <message>
        <source>Zoom to fit</source>
        <translation>Ganz einpassen</translation>
    </message>
    <message>
        <source>Wheel, Ctrl+Wheel</source>
        <translation>Mausrad, Strg+Mausrad</translation>
    </message>
    <message>
        <source>Scroll, zoom the waveform</source>
        <translation>Wellenform rollen, vergrößern</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>Help contents</source>
        <translation>Hilfeinhalt</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Open...</source>
        <translation>Öffnen …</translation>
    </message>
    <message>
        <source>Open Recent</source>
        <translation>Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>Split...</source>
        <translation>Teilen …</translation>
    </message>
    <message>
        <source>Save as one file...</source>
        <translation>Als eine Datei speichern …</translation>
    </message>
    <message>
        <source>Batch split...</source>
        <translation>Stapelweise teilen …</translation>
    </message>
    <message>
        <source>Join files...</source>
        <translation>Dateien verbinden …</translation>
    </message>
    <message>
        <source>Show Viewer</source>
        <translation>Frame-Ansicht zeigen</translation>
    </message>
    <message>
        <source>Explorer</source>
        <translation>Dateimanager</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Import cut list...</source>
        <translation>Schnittliste importieren …</translation>
    </message>
    <message>
        <source>Export cut list...</source>
        <translation>Schnittliste exportieren …</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Add cut at…</source>
        <translation>Schnitt bei …</translation>
    </message>
    <message>
        <source>Play around cut</source>
        <translation>Um den Schnitt abspielen</translation>
    </message>
    <message>
        <source>Cut out selection</source>
        <translation>Auswahl herausschneiden</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Help Contents</source>
        <translation>Hilfeinhalt</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Über …</translation>
    </message>
    <message>
        <source>Import track list...</source>
        <translation>Titelliste importieren …</translation>
    </message>
    <message>
        <source>Colours</source>
        <translation>Farben</translation>
    </message>
    <message>
        <source>Follow the desktop</source>
        <translation>Wie der Desktop</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Tasten</translation>
    </message>
    <message>
        <source>What they do</source>
        <translation>Was sie bewirken</translation>
    </message>
    <message>
        <source>No file manager could be started to show %1.</source>
        <translation>Es konnte kein Dateimanager gestartet werden, um %1 zu zeigen.</translation>
    </message>
</context>
<context>
    <name>tessivo::core</name>
    <message>
        <source>It is not a MP3 file!</source>
        <translation>Das ist keine MP3-Datei!</translation>
    </message>
    <message>
        <source>The file is too large: files of 2 GB and more cannot be opened.</source>
        <translation>Die Datei ist zu groß: Dateien ab 2 GB können nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Free-format MP3 streams are not supported.</source>
        <translation>MP3-Datenströme im freien Format werden nicht unterstützt.</translation>
    </message>
    <message>
        <source>Incorrect time value!</source>
        <translation>Ungültige Zeitangabe!</translation>
    </message>
    <message>
        <source>Input time value!</source>
        <translation>Bitte eine Zeit eingeben!</translation>
    </message>
    <message>
        <source>Incorrect tolerance value!</source>
        <translation>Ungültige Toleranz!</translation>
    </message>
    <message>
        <source>Incorrect time value!
Type the time as h:mm:ss.mmm.</source>
        <translation>Ungültige Zeitangabe!
Die Zeit als h:mm:ss.mmm eingeben.</translation>
    </message>
    <message>
        <source>The sample lies outside the audio.</source>
        <translation>Das Sample liegt außerhalb des Audios.</translation>
    </message>
    <message>
        <source>No part may start within the last 10 frames.</source>
        <translation>Kein Teil darf in den letzten 10 Frames beginnen.</translation>
    </message>
    <message>
        <source>The cue sheet holds no TRACK</source>
        <translation>Das Cue-Sheet enthält kein TRACK</translation>
    </message>
    <message>
        <source>The cue sheet could not be read</source>
        <translation>Das Cue-Sheet konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>The file holds no segments</source>
        <translation>Die Datei enthält keine Abschnitte</translation>
    </message>
    <message>
        <source>The file holds no labels</source>
        <translation>Die Datei enthält keine Marken</translation>
    </message>
    <message>
        <source>The file is UTF-16 without a byte order mark; save it as UTF-8, or as UTF-16 with a byte order mark</source>
        <translation>Die Datei ist UTF-16 ohne Byte-Order-Mark; bitte als UTF-8 oder als UTF-16 mit Byte-Order-Mark speichern</translation>
    </message>
    <message>
        <source>The cut list is larger than 64 MB, the most a cut list file may hold</source>
        <translation>Die Schnittliste ist größer als 64 MB, das Höchstmaß für eine Schnittlistendatei</translation>
    </message>
    <message>
        <source>No frames to write.</source>
        <translation>Keine Frames zu schreiben.</translation>
    </message>
    <message>
        <source>Please select a folder</source>
        <translation>Bitte einen Ordner wählen</translation>
    </message>
    <message>
        <source>No parts prepared to split.</source>
        <translation>Keine Teile zum Aufteilen vorbereitet.</translation>
    </message>
    <message>
        <source>Playing the file</source>
        <translation>Die Datei wird abgespielt</translation>
    </message>
    <message>
        <source>Opening file</source>
        <translation>Datei wird geöffnet</translation>
    </message>
    <message>
        <source>Calculating Peaks</source>
        <translation>Spitzen werden berechnet</translation>
    </message>
    <message>
        <source>No pause</source>
        <translation>Keine Pause</translation>
    </message>
    <message>
        <source>Original File</source>
        <translation>Originaldatei</translation>
    </message>
    <message>
        <source>Error playing music!</source>
        <translation>Fehler beim Abspielen!</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>no data folder</source>
        <translation>kein Datenordner</translation>
    </message>
    <message>
        <source>the file got shorter while reading</source>
        <translation>die Datei wurde beim Lesen kürzer</translation>
    </message>
    <message>
        <source>The source&apos;s tag could be read only in part; the parts carry what could be read</source>
        <translation>Das Tag der Quelle konnte nur teilweise gelesen werden; die Teile erhalten, was gelesen werden konnte</translation>
    </message>
    <message>
        <source>No ReplayGain tags: ID3v1 has no room for them (use --id3 with v2.3 or v2.4)</source>
        <translation>Keine ReplayGain-Tags: ID3v1 hat keinen Platz dafür (--id3 mit v2.3 oder v2.4 verwenden)</translation>
    </message>
    <message>
        <source>Playing Part(%1)</source>
        <translation>Teil(%1) wird abgespielt</translation>
    </message>
    <message>
        <source>Part(%1)</source>
        <translation>Teil(%1)</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation>%1 kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>%1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht angelegt werden. %2</translation>
    </message>
    <message>
        <source>Unable to write to %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Unable to write to %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Not enough memory to open %1</source>
        <translation>Nicht genug Speicher, um %1 zu öffnen</translation>
    </message>
    <message>
        <source>Not a cut list (.cue, .txt or .csv): %1</source>
        <translation>Keine Schnittliste (.cue, .txt oder .csv): %1</translation>
    </message>
    <message>
        <source>Only the first %1 cut lines are used</source>
        <translation>Nur die ersten %1 Schnittlinien werden verwendet</translation>
    </message>
    <message>
        <source>Line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>The sample is in the frame of cut line %1.</source>
        <translation>Das Sample liegt im Frame von Schnittlinie %1.</translation>
    </message>
    <message>
        <source>Too much parts (%1) !
Please, increase the time value!</source>
        <translation>Zu viele Teile (%1)!
Bitte eine größere Zeit angeben!</translation>
    </message>
    <message>
        <source>The time %1 is on cut line %2.</source>
        <translation>Die Zeit %1 liegt auf Schnittlinie %2.</translation>
    </message>
    <message>
        <source>The time %1 lies outside the file (it ends at %2).</source>
        <translation>Die Zeit %1 liegt außerhalb der Datei (sie endet bei %2).</translation>
    </message>
    <message>
        <source>%1
(Error code: %2)</source>
        <translation>%1
(Fehlercode: %2)</translation>
    </message>
    <message>
        <source>Refusing to write %1: it is an input of this command</source>
        <translation>%1 wird nicht geschrieben: Die Datei ist eine Eingabe dieses Befehls</translation>
    </message>
    <message>
        <source>No cut list beside it: %1</source>
        <translation>Keine Schnittliste daneben: %1</translation>
    </message>
    <message>
        <source>Too many cut lines: at most %1.</source>
        <translation>Zu viele Schnittlinien: höchstens %1.</translation>
    </message>
    <message>
        <source>Note: %1 file of an earlier split remains: %2</source>
        <translation>Hinweis: %1 Datei einer früheren Aufteilung bleibt: %2</translation>
    </message>
    <message>
        <source>Note: %1 files of an earlier split remain: %2</source>
        <translation>Hinweis: %1 Dateien einer früheren Aufteilung bleiben: %2</translation>
    </message>
    <message>
        <source>%1 split into %2; %3 failed</source>
        <translation>%1 aufgeteilt in %2; %3 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 split into %2; %3 failed; %4 not started (no space left on device)</source>
        <translation>%1 aufgeteilt in %2; %3 fehlgeschlagen; %4 nicht begonnen (kein Platz mehr auf dem Datenträger)</translation>
    </message>
    <message>
        <source>1 file</source>
        <translation>1 Datei</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 Dateien</translation>
    </message>
    <message>
        <source>1 part</source>
        <translation>1 Teil</translation>
    </message>
    <message>
        <source>%1 parts</source>
        <translation>%1 Teile</translation>
    </message>
    <message>
        <source>not UTF-8</source>
        <translation>kein UTF-8</translation>
    </message>
    <message>
        <source>no time (a start first or a length last)</source>
        <translation>keine Zeit (ein Anfang vorn oder eine Länge hinten)</translation>
    </message>
    <message>
        <source>Line %1: no pause within %2 s of %3</source>
        <translation>Zeile %1: keine Pause innerhalb von %2 s um %3</translation>
    </message>
    <message>
        <source>Part %1 is silent: skipped</source>
        <translation>Teil %1 ist still: übersprungen</translation>
    </message>
    <message>
        <source>No line of %1 has a time: cut the file first (at pauses, for example), then import its titles</source>
        <translation>Keine Zeile von %1 hat eine Zeit: die Datei zuerst schneiden (etwa an Pausen), dann ihre Titel importieren</translation>
    </message>
    <message>
        <source>Shortened %1: %2 removed</source>
        <translation>%1 gekürzt: %2 entfernt</translation>
    </message>
    <message>
        <source>1 pause</source>
        <translation>1 Pause</translation>
    </message>
    <message>
        <source>%1 pauses</source>
        <translation>%1 Pausen</translation>
    </message>
</context>
<context>
    <name>tessivo::main</name>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
    <message>
        <source>Cuts one MP3 file into several MP3 files.</source>
        <translation>Schneidet eine MP3-Datei in mehrere MP3-Dateien.</translation>
    </message>
    <message>
        <source>MP3 file to open</source>
        <translation>Die zu öffnende MP3-Datei</translation>
    </message>
</context>
</TS>
