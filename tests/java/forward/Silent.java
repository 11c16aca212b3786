package forward;

/** The same program without secondaryMain: forwarded launches get no answer. */
public class Silent {
    public static void main(String[] args) throws Exception {
        Main.main(args);
    }
}
