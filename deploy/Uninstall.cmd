@echo off
rem The uninstall command for fleet tools: removes the products whose packages lie in this folder with
rem msiexec /x {ProductCode} /qn /norestart, and logs to %SystemRoot%\Logs\Software\Pellmont-Uninstall-
rem <date and time>.log. The exit code is the Windows Installer's: 0, 3010 when a restart is needed,
rem 1605 for a product that is not installed is taken as 0, and the first other code as it is.
setlocal EnableExtensions EnableDelayedExpansion
set "here=%~dp0"
set "logs=%SystemRoot%\Logs\Software"
if not exist "%logs%\" mkdir "%logs%"
set "stamp=%DATE%-%TIME%"
for %%c in ("/=-" ":=-" ".=-" ",=-" " =") do call set "stamp=%%stamp:%%~c%%"
set "log=%logs%\Pellmont-Uninstall-%stamp%.log"
rem Windows writes the time to the hundredth of a second; where it writes minutes only, runs can meet.
if exist "%log%" set "log=%logs%\Pellmont-Uninstall-%stamp%-%RANDOM%.log"

>>"%log%" echo Pellmont uninstall command, %DATE% %TIME%, from %here%
if exist "%here%BUILT-FROM.txt" (>>"%log%" type "%here%BUILT-FROM.txt") else (>>"%log%" echo Built from: unknown, no BUILT-FROM.txt beside this command)
set "codes=%TEMP%\Pellmont-ProductCodes-%RANDOM%.txt"
set "failure="
set "restart="
"%here%PellmontCheck.exe" /productcodes "%here%" >"%codes%" 2>&1
if errorlevel 1 set "failure=1603"
>>"%log%" type "%codes%"
rem One line a product: its ProductCode, then its name; remarks begin with ";", which for /f passes over.
for /f "usebackq tokens=1,*" %%p in ("%codes%") do (
    start "" /wait "%SystemRoot%\System32\msiexec.exe" /x %%p /qn /norestart
    set "exitCode=!errorlevel!"
    >>"%log%" echo %%q %%p: msiexec exit code !exitCode!
    rem A product that is not installed is removed already.
    if "!exitCode!"=="1605" set "exitCode=0"
    if "!exitCode!"=="3010" set "restart=1" & set "exitCode=0"
    if not "!exitCode!"=="0" if not defined failure set "failure=!exitCode!"
)
del "%codes%" 2>nul
set "result=0"
if defined restart set "result=3010"
if defined failure set "result=!failure!"
>>"%log%" echo Exit code !result!.
exit /b !result!
