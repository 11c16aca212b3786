package realapp;

import java.io.FileNotFoundException;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * main ends with an exception that has a cause, after starting a thread
 * that outlives it: the thread waits until a file "release" appears in the
 * current folder (at most 30 seconds), then reports "worker=done" (or
 * "worker=timeout"). Whether that line is there tells whether the program
 * went on after main, or was ended at once.
 */
public class Uncaught {
    public static void main(String[] args) {
        Thread worker = new Thread(Uncaught::awaitRelease, "worker");
        worker.start();
        Main.out.println("main=throwing");
        readSettings();
    }

    static void awaitRelease() {
        for (int waited = 0; waited < 30000; waited += 50) {
            if (Files.exists(Paths.get("release"))) {
                // Still running when main has long ended.
                Main.pause(300);
                Main.out.println("worker=done");
                return;
            }
            Main.pause(50);
        }
        Main.out.println("worker=timeout");
    }

    static void readSettings() {
        try {
            openSettings();
        } catch (IOException e) {
            throw new IllegalStateException("settings unreadable", e);
        }
    }

    static void openSettings() throws IOException {
        throw new FileNotFoundException("app.settings (no such file)");
    }
}
