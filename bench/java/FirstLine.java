package bench;

/** Prints the wall-clock time at the first line of main, in microseconds since the epoch. */
public class FirstLine {
    public static void main(String[] args) {
        java.time.Instant now = java.time.Instant.now();
        System.out.println(now.getEpochSecond() * 1_000_000L + now.getNano() / 1_000);
    }
}
