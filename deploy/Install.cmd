@echo off
rem The install command for fleet tools (Intune, Configuration Manager, PDQ Deploy and the like): run it
rem from the deployment folder, which holds Pellmont.exe, PellmontCheck.exe, the packages and the
rem configuration files, as the system account. It logs to %SystemRoot%\Logs\Software\Pellmont-<date and
rem time>.log: what the check foresees, then waits while another installation holds the Windows
rem Installer (at most 10 minutes, or PELLMONT_BUSY_WAIT_SECONDS), runs Pellmont.exe and logs what the
rem verification finds. Exit codes: 0 when everything the folder offers took effect, 1618 when the
rem Windows Installer stayed busy (fleet tools retry), 1603 when the verification found something that
rem did not take effect (the log's last lines say what).
setlocal EnableExtensions
set "here=%~dp0"
set "logs=%SystemRoot%\Logs\Software"
if not exist "%logs%\" mkdir "%logs%"
rem The date and time as the system writes them, made fit for a file name.
set "stamp=%DATE%-%TIME%"
for %%c in ("/=-" ":=-" ".=-" ",=-" " =") do call set "stamp=%%stamp:%%~c%%"
set "log=%logs%\Pellmont-%stamp%.log"
rem Windows writes the time to the hundredth of a second; where it writes minutes only, runs can meet.
if exist "%log%" set "log=%logs%\Pellmont-%stamp%-%RANDOM%.log"
if not defined PELLMONT_BUSY_WAIT_SECONDS set "PELLMONT_BUSY_WAIT_SECONDS=600"

>>"%log%" echo Pellmont install command, %DATE% %TIME%, from %here%
if exist "%here%BUILT-FROM.txt" (>>"%log%" type "%here%BUILT-FROM.txt") else (>>"%log%" echo Built from: unknown, no BUILT-FROM.txt beside this command)
>>"%log%" echo.
"%here%PellmontCheck.exe" "%here%" >>"%log%" 2>&1
>>"%log%" echo.
"%here%PellmontCheck.exe" /waitforinstaller %PELLMONT_BUSY_WAIT_SECONDS% >>"%log%" 2>&1
if errorlevel 1618 (
    >>"%log%" echo Exit code 1618: the Windows Installer is busy; nothing was installed.
    exit /b 1618
)
>>"%log%" echo Pellmont.exe started %DATE% %TIME%
start "" /wait "%here%Pellmont.exe"
>>"%log%" echo Pellmont.exe ended %DATE% %TIME%
>>"%log%" echo.
"%here%PellmontCheck.exe" /verify "%here%" >>"%log%" 2>&1
if errorlevel 1 (
    >>"%log%" echo Exit code 1603: not everything the folder offers took effect.
    exit /b 1603
)
>>"%log%" echo Exit code 0.
exit /b 0
